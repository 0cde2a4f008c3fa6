#include "html_ui/window_handler.h"

#include "html_ui/dialog_context.h"

namespace ui {

std::string WindowHandler::getLocale() { return dialogContext().localeName; }

}  // namespace ui
