#pragma once
// fcetool's commands between models and glTF 2.0 files.

#include "CliCommon.h"

namespace mobrix::cli {

int ExportGltfCommand(const CommandArgs& args);
int ImportGltfCommand(const CommandArgs& args);

} // namespace mobrix::cli
