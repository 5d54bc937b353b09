#include "tools/report/follow.h"

#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>

#include "analysis/derivation.h"
#include "analysis/os.h"
#include "analysis/quillstat.h"
#include "analysis/stat_follow.h"
#include "records/utf8.h"
#include "tools/report/json_writer.h"

namespace quill {

namespace {

// Within this a line added to the file is printed, and a signal to stop is seen.
constexpr int kWaitMs = 200;

/// Holds SIGINT and SIGTERM back from when it is made, so that a stop asked for comes between
/// two looks at the file and never leaves half a line on the output. Made before any thread is,
/// so that every thread holds them back and the signal stays pending for `asked` to see.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool asked() const {
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1;
    }

private:
    sigset_t signals_;
};

/// The followed file: its lines in the model, and what was last said about it on standard error.
class Follow {
public:
    Follow(std::string path, const char* program, JsonLineWriter& out)
        : path_(std::move(path)), program_(program), out_(out) {}

    /// Prints the file as it stands; false, with the model line of no lines and the reason
    /// on standard error, when it cannot be read.
    bool start();
    /// Looks at the file once and prints what it gained, or the whole of it anew.
    void look();

private:
    void reload();
    void take(StatLoad load);
    void grow(std::shared_ptr<const StatTable> table);
    /// Says `text` on standard error unless it was the last thing said: a file that stays
    /// away or unreadable is told of once, not at every look.
    void complain(const std::string& text);

    std::string path_;
    const char* program_;
    JsonLineWriter& out_;
    Quillstat model_;
    std::shared_ptr<StatFollower> follower_;  ///< empty until a load of the file succeeds
    std::string complaint_;
};

bool Follow::start() {
    StatLoad load = StatFollower::load(path_);
    if (load.status == LoadStatus::Loaded) {
        take(std::move(load));
        return true;
    }
    const LoadOutcome outcome = model_.applyLoad(std::move(load));
    writeModel(out_, model_);
    complain(outcome.error);
    return false;
}

void Follow::take(StatLoad load) {
    // A load that raced a change of the file carries no follower: the next look loads again.
    follower_ = std::move(load.follower);
    // One model throughout, as in the application: its start time stays the earliest seen.
    model_.applyLoad(std::move(load));
    writeModel(out_, model_);
    writeLines(out_, model_.statList());
    complaint_.clear();
}

void Follow::reload() {
    StatLoad load = StatFollower::load(path_);
    if (load.status == LoadStatus::Loaded) return take(std::move(load));
    follower_.reset();
    complain(load.error);
}

void Follow::grow(std::shared_ptr<const StatTable> table) {
    const std::size_t shown = model_.statList().size();
    // A table that does not extend the lines shown is another file's: print it whole.
    if (!model_.applyGrowth(std::move(table))) return reload();
    writeLines(out_, model_.statList(), shown);
    complaint_.clear();
}

void Follow::look() {
    if (!follower_) return reload();
    FollowStep step = follower_->poll();
    switch (step.change) {
        case FollowChange::None:
            complaint_.clear();
            return;
        case FollowChange::Appended:
            return grow(std::move(step.table));
        case FollowChange::Vanished:
            // The lines stay: a file moved away and back, or made anew, is taken up again.
            return complain("gone; waiting for it to come back");
        case FollowChange::Failed:
            return complain(step.error);
        case FollowChange::Truncated:
        case FollowChange::Replaced:
        case FollowChange::Rewritten:
            return reload();
    }
}

void Follow::complain(const std::string& text) {
    if (text == complaint_) return;
    complaint_ = text;
    std::fprintf(stderr, "%s: %s: %s\n", program_, path_.c_str(), text.c_str());
}

}  // namespace

void writeModel(JsonLineWriter& out, const Quillstat& model) {
    // The name comes from a path, which may hold any bytes; every other text in the model
    // was decoded from repaired input already.
    out.beginObject()
        .text("kind", "model")
        .text("fileName", repairUtf8(model.fileName()))
        .integer("startTime", model.startTime())
        .integer("lines", static_cast<std::int64_t>(model.statList().size()))
        .endObject();
}

void writeLines(JsonLineWriter& out, const StatTable& lines, std::size_t first) {
    LineTexts texts;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const IntervalFigures figures = texts.figures(lines, i);
        out.beginObject()
            .text("kind", "line")
            .text("prevDate", texts.prevDate(lines, i))
            .text("entryDate", texts.entryDate(lines, i))
            .number("chartDate", static_cast<double>(lines.unixTime(i)))
            .text("size", texts.size(lines, i))
            .text("duration", figures.duration)
            .text("rate", figures.rate)
            .integer("rateInt", lines.rateInt(i))
            .text("file", lines.file(i))
            .endObject();
    }
}

bool followFile(const std::string& path, const char* program) {
    const StopSignals stop;
    JsonLineWriter out(stdout);
    Follow follow(path, program, out);
    // Made before the first load, so that no change after it goes unsignalled.
    os::ChangeWaiter waiter(path);
    if (!follow.start()) {
        out.finish();
        return false;
    }
    // Each burst goes out at once, for the reader at the other end of a pipe.
    while (out.finish() && !stop.asked()) {
        waiter.wait(kWaitMs);
        follow.look();
    }
    if (out.error().empty()) return true;
    std::fprintf(stderr, "%s: cannot write the output: %s\n", program, out.error().c_str());
    return false;
}

}  // namespace quill
