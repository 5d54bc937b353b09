// quillometer-report: loads statistics files into the model, headless, and prints what the model
// then holds as JSON Lines, for scripts and for checking the model against known files; or,
// with --csv, the main window's list of every file as CSV.

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/csv_export.h"
#include "analysis/derivation.h"
#include "analysis/process_totals.h"
#include "analysis/quillstat.h"
#include "tools/report/follow.h"
#include "tools/report/json_writer.h"

namespace quill {

namespace {

constexpr char kProgram[] = "quillometer-report";

constexpr char kUsage[] =
    "Usage: quillometer-report [--select N] [--summary] FILE...\n"
    "       quillometer-report --csv FILE...\n"
    "       quillometer-report --top N [--from UNIX] [--to UNIX] FILE...\n"
    "       quillometer-report --follow FILE\n";

constexpr char kHelp[] =
    "Loads each statistics FILE in turn into one model and prints the model as JSON Lines.\n"
    "\n"
    "  --select N  also print line N of the final list (counting from 1) as the charted record,\n"
    "              with one bar per process; nothing when the list is shorter\n"
    "  --summary   print only the model line (and the selection, with --select)\n"
    "  --csv       print instead the list of every line of every FILE, in order, as CSV\n"
    "              (RFC 4180, UTF-8, CR LF line ends) under the header\n"
    "              previous,time,interval_s,size,rate,file,unix_time,total_bytes\n"
    "  --top N     print instead, after each FILE's model line, its N processes that wrote the\n"
    "              most bytes, one line each, most first (0: every process)\n"
    "  --from UNIX, --to UNIX\n"
    "              with --top, count only records from or to that time, both included\n"
    "  --follow    print FILE's model line and lines, then each line as it is added to FILE,\n"
    "              and FILE anew, model line first, when it is cut short or replaced; until\n"
    "              SIGINT or SIGTERM, which end it with status 0\n"
    "  --help      print this help and exit\n"
    "  --          take every later argument as a FILE\n"
    "\n"
    "Exit status: 0 on success, 1 when a FILE could not be read or the output could not be\n"
    "written, 2 for bad arguments.\n";

enum ExitStatus : int { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct Options {
    std::vector<std::string> files;
    std::optional<std::size_t> select;
    std::optional<std::size_t> top;
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    bool summary = false;
    bool csv = false;
    bool follow = false;
};

struct Arguments {
    enum class Action { Run, Help, UsageError };
    Action action = Action::Run;
    Options options;
    std::string error;  ///< for UsageError
};

Arguments usageError(std::string message) {
    return {Arguments::Action::UsageError, {}, std::move(message)};
}

/// `text` as a whole number into `out`, or why it is not one; `name` is the option's.
template <typename Number>
std::optional<std::string> parseNumber(std::string_view name, std::string_view text, Number& out) {
    const std::string given = std::string(name) + " " + std::string(text);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    // from_chars takes a minus sign for a signed type, never a plus or a space.
    if (text.empty() || result.ptr != end || result.ec == std::errc::invalid_argument)
        return std::string(name) + " needs a whole number, not '" + std::string(text) + "'";
    if (result.ec == std::errc::result_out_of_range) return given + " is out of range";
    return std::nullopt;
}

/// Handles "NAME VALUE" or "NAME=VALUE" at args[i], moving `i` past a separate value, and
/// parses the value into `out`, which must not have one yet.
template <typename Number>
std::optional<std::string> takeNumber(int argc, char** argv, int& i, std::string_view name,
                                      std::optional<Number>& out) {
    const std::string_view arg = argv[i];
    std::string_view value;
    if (arg.size() > name.size() && arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
    } else if (i + 1 < argc) {
        value = argv[++i];
    } else {
        return std::string(name) + " needs a value";
    }
    if (out) return std::string(name) + " given more than once";
    Number number{};
    if (auto error = parseNumber(name, value, number)) return error;
    out = number;
    return std::nullopt;
}

/// Whether `arg` is the option `name`, alone or with "=VALUE".
bool isOption(std::string_view arg, std::string_view name) {
    return arg.starts_with(name) && (arg.size() == name.size() || arg[name.size()] == '=');
}

/// Handles a number option at args[i], if it is one, with what went wrong in `error`.
bool takeNumberOption(int argc, char** argv, int& i, Options& options,
                      std::optional<std::string>& error) {
    const std::string_view arg = argv[i];
    const auto take = [&](std::string_view name, auto& out) {
        if (!isOption(arg, name)) return false;
        error = takeNumber(argc, argv, i, name, out);
        return true;
    };
    return take("--select", options.select) || take("--top", options.top) ||
           take("--from", options.from) || take("--to", options.to);
}

/// The number options, or why they cannot be taken together.
std::optional<std::string> checkCombination(const Options& options) {
    if (options.follow && (options.csv || options.summary || options.select || options.top ||
                           options.from || options.to))
        return "--follow prints the lines of one FILE as they come: no other option with it";
    if (options.follow && options.files.size() != 1) return "--follow takes exactly one FILE";
    if (options.select == std::size_t{0}) return "--select counts lines from 1, not 0";
    if (options.csv && (options.summary || options.select))
        return "--csv prints the list only: no --summary or --select with it";
    if (options.top && (options.csv || options.select))
        return "--top prints processes only: no --csv or --select with it";
    if ((options.from || options.to) && !options.top) return "--from and --to go with --top";
    return std::nullopt;
}

Arguments parseArguments(int argc, char** argv) {
    Arguments parsed;
    Options& options = parsed.options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // A lone "-" is an ordinary name: this tool reads no standard input.
        if (optionsEnded || arg == "-" || !arg.starts_with('-')) {
            options.files.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            return {Arguments::Action::Help, {}, {}};
        } else if (arg == "--summary") {
            if (options.summary) return usageError("--summary given more than once");
            options.summary = true;
        } else if (arg == "--csv") {
            if (options.csv) return usageError("--csv given more than once");
            options.csv = true;
        } else if (arg == "--follow") {
            if (options.follow) return usageError("--follow given more than once");
            options.follow = true;
        } else if (std::optional<std::string> error;
                   takeNumberOption(argc, argv, i, options, error)) {
            if (error) return usageError(*error);
        } else {
            return usageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (options.files.empty()) return usageError("no FILE given");
    if (auto error = checkCombination(options)) return usageError(*error);
    return parsed;
}

/// Loads every file into `model` in order; returns false when any could not be read.
bool loadFiles(Quillstat& model, const std::vector<std::string>& files) {
    bool allRead = true;
    for (const std::string& path : files) {
        const LoadOutcome outcome = model.loadStatPath(path);
        if (outcome.status != LoadStatus::ReadFailed) continue;
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, path.c_str(), outcome.error.c_str());
        allRead = false;
    }
    return allRead;
}

void writePoints(JsonLineWriter& out, std::string_view kind, const PointSeries& points) {
    for (std::size_t k = 0; k < points.size(); ++k) {
        const PointStats point = points.point(k);
        out.beginObject()
            .text("kind", kind)
            .integer("time", point.time)
            .integer("size", point.size)
            .text("value", point.value)
            .number("date", point.date)
            .endObject();
    }
}

void writeRates(JsonLineWriter& out, const RateSeries& rates) {
    for (std::size_t k = 0; k < rates.size(); ++k) {
        const RateStats point = rates.point(k);
        out.beginObject()
            .text("kind", "rate")
            .integer("time", point.time)
            .integer("rate", point.rate)
            .number("date", point.date)
            .endObject();
    }
}

/// Charts line `number` (from 1) of the final list and prints the result; prints nothing
/// when the list is shorter.
void writeSelection(JsonLineWriter& out, Quillstat& model, std::size_t number) {
    const StatTable& lines = model.statList();
    if (number == 0 || number > lines.size()) return;
    model.selectStat(lines.line(number - 1));
    const StatEntry& entry = *model.selectedStat();
    out.beginObject()
        .text("kind", "selected")
        .text("dateText", model.selectedDateText())
        .integer("totalKB", entry.totalBytes / 1024)
        .text("title", entry.file)
        .endObject();
    for (const StatStats& row : model.selectedStatStats()) {
        out.beginObject()
            .text("kind", "bar")
            .text("process", row.process)
            .integer("sizeKB", row.sizeBytes)
            .integer("count", row.theCount)
            .endObject();
    }
}

void writeProcesses(JsonLineWriter& out, const StatTable& table, const Options& options) {
    TimeWindow window;
    window.from = options.from.value_or(window.from);
    window.to = options.to.value_or(window.to);
    std::vector<ProcessTotal> totals = processTotals(table, window);
    rankByBytes(totals, table);
    if (*options.top != 0 && totals.size() > *options.top) totals.resize(*options.top);
    for (const ProcessTotal& total : totals) {
        out.beginObject()
            .text("kind", "process")
            .text("process", table.strings()[total.name])
            .integer("bytes", clampedToInt64(total.bytes))
            .integer("records", static_cast<std::int64_t>(total.records))
            .integer("persist", clampedToInt64(total.byCategory[0]))
            .integer("special", clampedToInt64(total.byCategory[1]))
            .integer("other", clampedToInt64(total.byCategory[2]))
            .integer("peakBytes", clampedToInt64(total.peakBytes))
            .integer("peakTime", total.peakTime)
            .integer("first", total.first)
            .integer("last", total.last)
            .endObject();
    }
}

/// Each file in turn: its model line, then its processes. Returns whether every file was read.
bool writeTopReport(JsonLineWriter& out, Quillstat& model, const Options& options) {
    bool allRead = true;
    for (const std::string& path : options.files) {
        allRead = loadFiles(model, {path}) && allRead;
        writeModel(out, model);
        writeProcesses(out, model.statList(), options);
    }
    return allRead;
}

void writeReport(JsonLineWriter& out, Quillstat& model, const Options& options) {
    writeModel(out, model);
    if (!options.summary) {
        writeLines(out, model.statList());
        writePoints(out, "persist", model.pointsPersist());
        writePoints(out, "special", model.pointsSpecial());
        writeRates(out, model.ratesPoints());
    }
    if (options.select) writeSelection(out, model, *options.select);
}

/// Loads every file in turn and prints its lines as CSV under one header. Returns false when a
/// file could not be read; throws when the output could not be written.
bool writeCsvReport(Quillstat& model, const std::vector<std::string>& files) {
    const auto write = [](std::string_view chunk) {
        return std::fwrite(chunk.data(), 1, chunk.size(), stdout) == chunk.size();
    };
    bool allRead = true;
    const std::string header = std::string(kCsvHeader) + "\r\n";
    bool written = write(header);
    for (const std::string& path : files) {
        allRead = loadFiles(model, {path}) && allRead;
        // The header went out once, above the records of every file.
        written = written && writeCsv(model.statList(), nullptr, write, CsvHeader::Omit);
        if (!written)
            throw std::runtime_error(std::string("cannot write the output: ") +
                                     std::strerror(errno));
    }
    return allRead;
}

/// Runs `report`, which returns whether every file was read. Out of memory or another failure
/// on the way ends the run with a message: a half-written report must not pass for a whole one.
template <typename Report>
std::optional<bool> guarded(Report report) {
    try {
        return report();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", kProgram);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.what());
    }
    return std::nullopt;
}

int runCsv(Quillstat& model, const Options& options) {
    const std::optional<bool> allRead =
        guarded([&] { return writeCsvReport(model, options.files); });
    if (!allRead) return kExitFailure;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "%s: cannot write the output: %s\n", kProgram, std::strerror(errno));
        return kExitFailure;
    }
    return *allRead ? kExitOk : kExitFailure;
}

int run(Quillstat& model, const Options& options) {
    if (options.csv) return runCsv(model, options);
    if (options.follow) {
        const std::optional<bool> followed =
            guarded([&] { return followFile(options.files.front(), kProgram); });
        return followed.value_or(false) ? kExitOk : kExitFailure;
    }
    JsonLineWriter out(stdout);
    const std::optional<bool> allRead = guarded([&] {
        if (options.top) return writeTopReport(out, model, options);
        const bool read = loadFiles(model, options.files);
        writeReport(out, model, options);
        return read;
    });
    if (!allRead) return kExitFailure;
    if (!out.finish()) {
        std::fprintf(stderr, "%s: cannot write the output: %s\n", kProgram, out.error().c_str());
        return kExitFailure;
    }
    return *allRead ? kExitOk : kExitFailure;
}

}  // namespace

}  // namespace quill

int main(int argc, char** argv) {
    using quill::Arguments;
    const Arguments arguments = quill::parseArguments(argc, argv);
    switch (arguments.action) {
        case Arguments::Action::Help:
            std::fputs(quill::kUsage, stdout);
            std::fputs(quill::kHelp, stdout);
            return std::fflush(stdout) == 0 ? quill::kExitOk : quill::kExitFailure;
        case Arguments::Action::UsageError:
            std::fprintf(stderr, "%s: %s\n%sTry '%s --help' for more information.\n",
                         quill::kProgram, arguments.error.c_str(), quill::kUsage, quill::kProgram);
            return quill::kExitUsage;
        case Arguments::Action::Run:
            break;
    }
    quill::Quillstat model;
    const int status = quill::run(model, arguments.options);
    return status;
}
