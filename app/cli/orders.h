// SPDX-License-Identifier: MIT
// The list orders the command line offers, by database type: the words that name them and the
// keys of Mail and MsgNmbr behind them.
#pragma once

#include <string>
#include <vector>

namespace qs::cli {

struct Order {
    const char* word;
    int key;
};

const std::vector<Order>& message_orders();  // forum and newsgroup databases
const std::vector<Order>& mail_orders();

// The key an order word names (the first order for an empty word); UsageError otherwise.
int key_of(const std::vector<Order>& orders, const std::string& word);

}  // namespace qs::cli
