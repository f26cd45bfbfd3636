// Each case writes to the console, between two list-directed marker lines that name the case
// and give its status; the records appear as the console shows them.
#include <string>

#include "format_compare.h"
#include "lncalc/runtime.h"

namespace format_compare {

namespace {

void marker_line(const std::string& text) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    lnc::write_item_character(text.data(), static_cast<int>(text.size()));
    lnc::end_write();
}

} // namespace

void announce_route() {
    marker_line("route console");
}

void run_case(const Case& c) {
    marker_line("@@case " + c.id);
    int status = lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, c.format.data(),
                                  static_cast<int>(c.format.size()), nullptr, 0, 1);
    int items = write_items(c);
    int end = lnc::end_write();
    status = status != 0 ? status : (items != 0 ? items : end);
    marker_line("@@status " + std::to_string(status));
}

} // namespace format_compare
