#pragma once
// fcetool's commands on the model as a whole.

#include "CliCommon.h"

namespace mobrix::cli {

int InfoCommand(const CommandArgs& args);
int ConvertCommand(const CommandArgs& args);

} // namespace mobrix::cli
