#pragma once

// A believable branch for a fresh data folder: organisations, staff and
// customers, menus and columns, a few weeks of research articles, waiting chat
// messages, board threads and the picture strip. The same seed and clock give
// the same data.

#include <cstdint>
#include <string>
#include <vector>

#include "service/ServiceStore.h"

namespace vqsvc {

struct DemoAccount {
    std::string login;
    std::string password;
    std::string trueName;
    std::string role;  // UTF-8, for the start-up listing
};

// The accounts that SeedDemoData creates, in id order (the first has id 1).
const std::vector<DemoAccount>& DemoAccounts();

// Fills an empty store; false (and nothing kept) on any failure.
bool SeedDemoData(ServiceStore& store, uint32_t seed);

// One article body as the demo writes it; exposed for the admin command's default text.
std::string DemoArticleHtml(const std::string& title, const std::string& paragraph);

}  // namespace vqsvc
