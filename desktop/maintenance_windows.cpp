// SPDX-License-Identifier: MIT
// What the maintenance windows share: how far a purge or count has got.
#include "desktop/maintenance_windows.h"

#include <algorithm>
#include <iterator>

namespace qs::desktop {

namespace {

using S = maint::PurgeStep;

}  // namespace

int purge_percent(maint::PurgeStep step, bool purge, bool mail) {
    static const S forum_purge[] = {S::AgedThreads,    S::MarkAged,       S::CountMarkedThreads,
                                    S::MarkedThreads,  S::MarkedMessages, S::MarkedSections,
                                    S::SectionThreads, S::SectionWalk,    S::Links,
                                    S::CodeCounts,     S::WordEntries,    S::WordCounts,
                                    S::WordKey,        S::Plinks,         S::Receivers,
                                    S::PersonCounts,   S::ThreadCounts,   S::SectionCounts};
    static const S mail_purge[] = {
        S::MailMinutes,    S::MailDuplicates, S::MailPersons, S::MailPartners, S::MailMarked,
        S::CopyRecipients, S::MailPlinks,     S::WordEntries, S::WordCounts,   S::WordKey,
        S::Links,          S::CodeCounts,     S::MailCounts};
    static const S count[] = {S::Links,        S::CodeCounts,    S::Plinks,
                              S::MailPlinks,   S::Receivers,     S::PersonCounts,
                              S::ThreadCounts, S::SectionCounts, S::MailCounts};
    const S* first = purge ? (mail ? std::begin(mail_purge) : std::begin(forum_purge)) : count;
    const S* last = purge ? (mail ? std::end(mail_purge) : std::end(forum_purge)) : std::end(count);
    if (step == S::End) return 100;
    const S* at = std::find(first, last, step);
    if (at == last) return 0;
    return static_cast<int>(100 * (at - first) / (last - first));
}

}  // namespace qs::desktop
