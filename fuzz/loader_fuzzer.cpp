// Fuzz target for loading a statistics file into the model: any file content must load without
// a crash, and what the model then holds must be consistent enough for the views to draw.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/date_format.h"
#include "analysis/loader.h"
#include "analysis/quillstat.h"
#include "fuzz/invariants.h"
#include "records/line_decoder.h"
#include "records/records.h"

namespace {

void check(bool holds, const char* invariant) {
    if (!holds) quill::fuzz::fail("loader_fuzzer", invariant);
}

/// The file each input is written to before it is loaded. The loader only reads paths, so the
/// input has to live in a real file; one file per process, rewritten for every input, keeps
/// the temporary folder clean however long the fuzzer runs.
class InputFile {
public:
    InputFile() : path_(std::filesystem::temp_directory_path() / "quill-fuzz-XXXXXX") {
        const int fd = ::mkstemp(path_.data());
        if (fd < 0) abortWith("cannot create the input file");
        ::close(fd);
    }
    ~InputFile() { ::unlink(path_.c_str()); }

    const std::string& path() const { return path_; }

    void write(std::string_view bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        if (!out.write(bytes.data(), std::streamsize(bytes.size())).flush())
            abortWith("cannot write the input file");
    }

private:
    // A failure here is the machine's, not the loader's: stop without passing for a finding.
    [[noreturn]] static void abortWith(const char* why) {
        std::perror(why);
        std::exit(1);
    }

    std::string path_;
};

/// The records a file holds, decoded one line at a time through the copying path of the
/// decoder: the loader decodes in place, from a buffer where a line is followed by the next one
/// rather than by padding, and must find exactly these.
std::vector<quill::StatEntry> referenceEntries(std::string_view text) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::vector<quill::StatEntry> entries;
    quill::LineDecoder decoder;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (auto entry = end > 0 ? decoder.decode(text.substr(0, end)) : std::nullopt)
            entries.push_back(*entry);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return entries;
}

void checkLines(const quill::Quillstat& model, std::string_view text) {
    const auto& lines = model.statList();
    const std::vector<quill::StatEntry> expected = referenceEntries(text);
    check(lines.size() == expected.size(), "every decodable line loaded, and only those");
    std::int64_t earliest = quill::Quillstat::kInitialStartTime;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const quill::StatLine& line = lines[i];
        check(quill::fuzz::sameEntry(line.entry, expected[i]),
              "loaded record equals the line decoded alone");
        check(!line.entryDate.empty(), "entryDate is not empty");
        check(line.entryDate.size() <= quill::DateFormatter::kMaxLength, "entryDate fits");
        earliest = std::min(earliest, line.entry.unixTime);
    }
    check(model.startTime() == earliest, "a fresh model starts at its earliest record");
}

void checkSeries(const quill::Quillstat& model) {
    check(model.pointsPersist().size() == 3 * model.ratesPoints().size(),
          "three Persist points per rate point");
    check(model.pointsSpecial().size() % 3 == 0, "three Special points per record");
    check(model.ratesPoints().size() <= model.statList().size(), "at most one rate per line");
}

void checkSelection(quill::Quillstat& model, const quill::StatLine& line) {
    model.selectStat(line);
    const auto& selected = model.selectedStat();
    check(selected.has_value() && quill::fuzz::sameEntry(*selected, line.entry),
          "selection is the line");
    check(model.selectedStatStats().size() == line.entry.processList.size(),
          "one row per process of the selection");
    const std::string date = model.selectedDateText();
    check(!date.empty() && date != "date not available", "a selection has a date");
}

/// `text` with an ignored member that the JSON parser refuses put into every line's object.
std::string withIgnoredMembers(std::string_view text) {
    std::string out;
    for (;;) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        out += quill::fuzz::withIgnoredMember(text.substr(0, end));
        if (end == text.size()) return out;
        out += '\n';
        text.remove_prefix(end + 1);
    }
}

void loadAndCheck(const InputFile& file, std::string_view text) {
    const std::string& path = file.path();
    file.write(text);
    quill::Quillstat model;
    const auto outcome = model.loadStatFile(quill::kResponseOK, quill::FileLocation::local(path));
    check(outcome.status == quill::LoadStatus::Loaded, "a readable file loads");
    check(model.fileName() == quill::lastPathComponent(path), "fileName is the file's name");
    checkLines(model, text);
    checkSeries(model);
    check(model.selectedDateText() == "date not available", "no selection, no date");
    if (!model.statList().empty()) {
        checkSelection(model, model.statList().front());
        checkSelection(model, model.statList().back());
    }

    // Loading again replaces what the first load left rather than adding to it; the file now
    // holds an ignored member in every line, which must change none of its records.
    const std::vector<quill::StatLine> lines = model.statList();
    const std::size_t persistCount = model.pointsPersist().size();
    file.write(withIgnoredMembers(text));
    model.loadStatFile(quill::kResponseOK, quill::FileLocation::local(path));
    check(model.statList().size() == lines.size(), "a reload replaces the lines");
    for (std::size_t i = 0; i < lines.size(); ++i)
        check(quill::fuzz::sameEntry(model.statList()[i].entry, lines[i].entry),
              "an ignored member changes no record");
    check(model.pointsPersist().size() == persistCount, "a reload replaces the series");
    checkSeries(model);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libFuzzer gives a target no place to keep state between inputs but a static.
    static InputFile file;
    loadAndCheck(file, std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
