#pragma once

// Administration against the data folder, whether the service runs or not
// (SQLite serialises the writers): add an article, send a chat message as
// another user, list sessions, add a user, approve an article.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "service/ServiceStore.h"

namespace vqsvc {

// `args` starts with the command name. Returns the process exit code:
// 0 done, 2 usage, 1 refused or failed.
int RunAdminCommand(const std::string& dataDir, const std::vector<std::string>& args,
                    std::ostream& out, std::ostream& err, Clock clock = {});

void PrintAdminUsage(std::ostream& out);

// The data folder the demo script gives the service, for admin commands without --data:
// $VELQUOR_HOME/service, else $XDG_DATA_HOME/velquor/service, else
// $HOME/.local/share/velquor/service. `env` reads a variable (null when unset).
std::string DemoDataFolder(const std::function<const char*(const char*)>& env);

}  // namespace vqsvc
