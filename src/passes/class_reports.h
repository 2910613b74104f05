#pragma once

#include <string>
#include <vector>

#include "passes/classes.h"
#include "passes/prescan.h"
#include "passes/warning.h"

namespace linter {

// The debug dump of class-to-interface pairs and of the interfaces' members.
std::string dump_classes(const BigVector<Implementation>& implementations,
                         const ClassRegistry& classes);

// Unused members and write-only member variables of every class and interface.
void report_members(const ClassRegistry& classes, const PreScan& pre, bool debug,
                    WarningList& warnings);

}  // namespace linter
