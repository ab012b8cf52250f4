// The output page: the icon file's name, and creating it.
// Only the page's place in the sheet and its header texts so far; its controls are still
// to come.
#pragma once

#include "pages/varlen_page.h"

namespace varlen {

class CVarlenPage5 : public CVarlenPage {
    Q_OBJECT

  public:
    explicit CVarlenPage5(CVarlen* sheet);

    // The reset button has nothing to reset here: greyed while this page is active.
    void OnSetActive() override;
};

}  // namespace varlen
