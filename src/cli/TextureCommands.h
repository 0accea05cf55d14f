#pragma once
// fcetool's texture commands.

#include "CliCommon.h"

namespace mobrix::cli {

int RemapCommand(const CommandArgs& args);
int TgaToBmpCommand(const CommandArgs& args);

} // namespace mobrix::cli
