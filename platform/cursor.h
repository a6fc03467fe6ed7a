#pragma once

namespace platform {

// The wait cursor shown while the GUI thread blocks; SetWaitCursor(false) removes it however
// often it was set.
void SetWaitCursor(bool on);

}  // namespace platform
