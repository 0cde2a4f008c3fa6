#pragma once
// The decisions of the closing pages that need no window: which header the
// completion page shows, its title, and what Close makes of the restart box.
#include <functional>
#include <string>

#include "dialogs/setup_complete_data.h"

namespace closing {

// The sponsor header: an offer is present and its code is one of those that
// come with their own title.
bool usesSponsorHeader(const SetupCompleteData& data);

// The string of the sponsor title for the code (IDS_SPONSOR_TITLE_TOOLBAR or
// IDS_SPONSOR_TITLE_SEARCH), 0 for none.
unsigned sponsorTitleId(const std::string& code);

// The restart decision when the page is closed: unchanged without the box,
// yes when it is ticked, else the user's answer to the question.
bool restartDecisionOnClose(const SetupCompleteData& data, bool ticked, const std::function<bool()>& askUser);

}  // namespace closing
