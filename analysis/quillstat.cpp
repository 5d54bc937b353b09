#include "analysis/quillstat.h"

#include "analysis/date_format.h"

namespace quill {

void Quillstat::setFileName(std::string name) {
    if (name == fileName_) return;
    write(Field::FileName, fileName_, std::move(name));
}

void Quillstat::setStartTime(std::int64_t time) {
    if (time == startTime_) return;
    write(Field::StartTime, startTime_, time);
}

std::string Quillstat::selectedDateText() const {
    const auto& entry = selectedStat();
    if (!entry) return "date not available";
    DateFormatter formatter(DateFormatter::Pattern::DateFirst);
    return formatter.format(entry->unixTime);
}

}  // namespace quill
