// SPDX-License-Identifier: MIT
#include "app/cli/orders.h"

#include "app/cli/args.h"
#include "storage/files.h"

namespace qs::cli {

const std::vector<Order>& message_orders() {
    static const std::vector<Order> v = {{"number", keys::MsgIdKey},   {"thread", keys::Threadkey},
                                         {"section", keys::SECkey},    {"sender", keys::MsgFromKey},
                                         {"receiver", keys::MsgToKey}, {"date", keys::MsgDateKey}};
    return v;
}

const std::vector<Order>& mail_orders() {
    static const std::vector<Order> v = {{"date", keys::MaiDateKey},
                                         {"subject", keys::SubjectKey},
                                         {"partner", keys::PairKey},
                                         {"sender", keys::MaiFromKey},
                                         {"receiver", keys::MaiToKey}};
    return v;
}

int key_of(const std::vector<Order>& orders, const std::string& word) {
    if (word.empty()) return orders.front().key;
    std::string known;
    for (const auto& o : orders) {
        if (word == o.word) return o.key;
        known += std::string(known.empty() ? "" : ", ") + o.word;
    }
    throw UsageError("no order \"" + word + "\" here; say " + known);
}

}  // namespace qs::cli
