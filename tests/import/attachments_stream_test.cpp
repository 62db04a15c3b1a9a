// SPDX-License-Identifier: MIT
// Large attachments: their bytes stream through the temporary import file into the database
// without being held, and a temporary file that fails while one streams costs that message (it
// is reported damaged) and stops the run, which a rerun then completes.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/vfs.h"
#include "storage/attachments.h"
#include "tests/import/import_home.h"

namespace qs {
namespace {

using testing::mail;

std::string mail_with(const char* subject, const char* time, const std::string& attached) {
    return mail(subject, "bob@example.org", "me@example.org", time, "text") + "\t\t\t\t" + attached;
}

class LargeAttachments : public testing::ImportHome {
protected:
    // The hash of the bytes of the only attachment of the mail `subject`, read back.
    std::string read_back(const std::string& subject) {
        uint32_t id = 0;
        for (const Mail& m : all<Mail>(mailbox, kMail))
            if (m.SUBJECT.str() == subject) id = m.MAILID;
        EXPECT_TRUE(MakeCurrent(h.s, mailbox));
        OP_CLOSE(h.s, kOpOpen, {kAttach, kAttData});
        Attach link;
        ContentHash hash;
        Status st = AttachmentOf(h.s, id, 1, link) ? ReadAttachment(h.s, link,
                                                                    [&](std::string_view b) {
                                                                        hash.update(b);
                                                                        return true;
                                                                    })
                                                   : Status(Code::NotFound, "no attachment");
        OP_CLOSE(h.s, kOpClose, {kAttach, kAttData});
        return st ? hash.hex() : st.text();
    }
};

// 40 MB: more than the temporary file's connection keeps in memory, so its pages go to the disk
// while the attachment streams, and the first write that fails is one of them.
TEST_F(LargeAttachments, ATemporaryFileFailingWhileOneStreamsStopsTheRunAndARerunStoresAll) {
    constexpr uint64_t kBig = 40u << 20;
    const ImportSettings st = settings(write({
        mail_with("Before", "09:00:00", "a.txt|text/plain|small"),
        mail_with("Big", "10:00:00",
                  "big.bin|application/octet-stream|@" + std::to_string(kBig) + ":9"),
        mail_with("After", "11:00:00", "c.txt|text/plain|small too"),
    }));
    vfs::FaultVfs fault;
    vfs::set_base(fault.vfs());
    {
        ImportProcessor p(h.s, st, factory());
        ASSERT_EQ(p.step(), ImportProcessor::Result::More);  // the temporary files are made
        fault.fail_after(1);  // one write fails: the disk is full a moment
        ImportProcessor::Result r;
        while ((r = p.step()) == ImportProcessor::Result::More) {
        }
        EXPECT_EQ(r, ImportProcessor::Result::Failed);
        EXPECT_EQ(p.final_message(), "The temporary file could not be written.");
        const ImportAccounting& a = p.accounting();
        EXPECT_EQ(a.stored, 0u);
        EXPECT_EQ(a.found, a.stored + a.duplicates + a.skipped);
        EXPECT_EQ(a.skipped_by_reason.count(skip_reason_text(SkipReason::Damaged)), 1u);
    }
    fault.fail_after(0);
    vfs::set_base(nullptr);
    ImportAccounting again = run(st);
    EXPECT_EQ(again.stored, 3u);
    EXPECT_EQ(read_back("Big"), testing::hash_of(kBig, 9));
    EXPECT_EQ(read_back("After"), ContentHash::of("small too"));
}

// The peak resident memory of the process can be set back to the present one (Linux 4.0 on),
// which lets a test measure the peak of one import.
bool reset_peak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5" << std::flush;
    return static_cast<bool>(clear);
}

uint64_t status_kib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1));
    return 0;
}

// The import holds a few pages of each file it writes and one chunk of the attachment; the
// store's transactions spill their pages to the disk beyond 8 MB. Half the attachment's size
// is far more than all of that and far less than a copy of it.
TEST_F(LargeAttachments, AnAttachmentLargerThanTheMemoryItMayTakeStreamsThrough) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer keeps freed memory";
#endif
    constexpr uint64_t kBig = 128u << 20;
    const ImportSettings st = settings(
        write({mail_with("Big", "10:00:00", "big.bin|x/y|@" + std::to_string(kBig) + ":4")}));
    if (!reset_peak()) GTEST_SKIP() << "the peak memory cannot be measured here";
    const uint64_t before_kib = status_kib("VmRSS");
    ImportAccounting a = run(st);
    const uint64_t growth = (status_kib("VmHWM") - before_kib) << 10;
    EXPECT_EQ(a.stored, 1u);
    EXPECT_LT(growth, kBig / 2) << "the peak memory grew by " << (growth >> 20) << " MiB";
    EXPECT_EQ(read_back("Big"), testing::hash_of(kBig, 4));
}

}  // namespace
}  // namespace qs
