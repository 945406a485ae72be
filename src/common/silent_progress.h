// The observer that stands in when a caller gives none, so the stages never test for null.
#pragma once

#include "norvane/compile.h"

namespace norvane {

inline CompileProgress& silentProgress() {
    static CompileProgress silent;
    return silent;
}

inline CompileProgress& progressOrSilent(CompileProgress* progress) { return progress ? *progress : silentProgress(); }

} // namespace norvane
