#pragma once
// fcetool render: a picture of a model, drawn without a display.

#include "CliCommon.h"

namespace mobrix::cli {

int RenderCommand(const CommandArgs& args);

} // namespace mobrix::cli
