#include "platform/qt/QtAccessible.h"

namespace fw::qt {

void InstallAccessibility() {}

}  // namespace fw::qt
