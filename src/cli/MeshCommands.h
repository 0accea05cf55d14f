#pragma once
// fcetool's mesh command.

#include "CliCommon.h"

namespace mobrix::cli {

int MeshCommand(const CommandArgs& args);

} // namespace mobrix::cli
