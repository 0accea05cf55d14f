#pragma once
// fcetool's commands between models and part, 3DS, X and OBJ files.

#include "CliCommon.h"

namespace mobrix::cli {

int ExtractPartCommand(const CommandArgs& args);
int InsertPartCommand(const CommandArgs& args);
int Import3dsCommand(const CommandArgs& args);
int ThreeDsToPrtCommand(const CommandArgs& args);
int Export3dsCommand(const CommandArgs& args);
int ImportXCommand(const CommandArgs& args);
int ExportObjCommand(const CommandArgs& args);
int ImportObjCommand(const CommandArgs& args);

} // namespace mobrix::cli
