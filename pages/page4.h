// The formats page: the list of image formats that the icon file holds.
// Only the page's place in the sheet and its header texts so far; its controls are still
// to come.
#pragma once

#include "pages/varlen_page.h"

namespace varlen {

class CVarlenPage4 : public CVarlenPage {
    Q_OBJECT

  public:
    explicit CVarlenPage4(CVarlen* sheet);

    // The reset button has nothing to reset here: greyed while this page is active.
    void OnSetActive() override;
};

}  // namespace varlen
