#include "console/spinner.h"

#include <string_view>

namespace norvane {

void Spinner::tick(Console& console) {
    if (calls_++ < spinnerPeriod - 1) return;
    calls_ = 0;
    if (++index_ > 3) index_ = 0;
    const char picture[2] = {'\b', "/|\\-"[index_]};
    console.write(std::string_view(picture, 2));
}

void Spinner::ticks(Console& console, std::size_t n) {
    while (n > 0) {
        const auto quiet = static_cast<std::size_t>(spinnerPeriod - 1 - calls_); // calls before the next picture
        if (n <= quiet) {
            calls_ += static_cast<std::int32_t>(n);
            return;
        }
        calls_ += static_cast<std::int32_t>(quiet);
        n -= quiet + 1;
        tick(console);
    }
}

} // namespace norvane
