// The whole test binary uses one empty user-defaults store of its own.

#include "tests/support/IsolatedSettings.h"

namespace {

tavrik::test::IsolatedSettings isolated;

}  // namespace
