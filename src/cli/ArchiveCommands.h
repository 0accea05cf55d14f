#pragma once
// fcetool's commands on car archives: list, extract, pack and replace.

#include "CliCommon.h"

namespace mobrix::cli {

int VivCommand(const CommandArgs& args);

} // namespace mobrix::cli
