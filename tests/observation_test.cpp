#include "analysis/observation.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support.h"

namespace quill {
namespace {

using test::Recorder;

TEST(Observation, NestedScopesTrackTheirOwnReads) {
    Quillstat model;
    TrackingScope outer(model.registrar());
    (void)model.fileName();
    {
        TrackingScope inner(model.registrar());
        (void)model.startTime();
        EXPECT_EQ(inner.accessed(), FieldSet{Field::StartTime});
    }
    (void)model.ratesPoints();
    EXPECT_EQ(outer.accessed(), (FieldSet{Field::FileName, Field::RatesPoints}));
}

TEST(Observation, ResubscribingReplacesTheFields) {
    Quillstat model;
    Recorder r;
    model.registrar().subscribe(r, {Field::FileName});
    model.registrar().subscribe(r, {Field::StartTime});
    model.setFileName("x");
    model.setStartTime(5);
    EXPECT_EQ(r.count(Field::FileName), 0u);
    EXPECT_EQ(r.count(Field::StartTime), 1u);
    model.registrar().unsubscribe(r);
}

TEST(Observation, OnlyNameAndStartTimeSkipWritesThatChangeNothing) {
    Quillstat model;
    test::AllFields seen(model);
    model.setFileName("");
    model.setStartTime(Quillstat::kInitialStartTime);
    model.setFileName("a.jsonl");
    model.setStartTime(7);
    model.setStatList({});
    model.setSelectedStat(std::nullopt);
    for (Field f : {Field::FileName, Field::StartTime, Field::StatList, Field::SelectedStat})
        EXPECT_EQ(seen.count(f), 1u) << static_cast<int>(f);
}

/// A listener that runs `told` at each notification.
class Hook : public ChangeListener {
public:
    std::function<void()> told;
    void willChange(Field) override { told(); }
    void didChange(Field) override { told(); }
};

TEST(Observation, WillChangeSeesTheOldValueAndDidChangeTheNew) {
    Quillstat model;
    std::vector<std::string> names;
    Hook hook;
    hook.told = [&] { names.push_back(model.fileName()); };
    model.registrar().subscribe(hook, {Field::FileName});
    model.setFileName("new.jsonl");
    EXPECT_EQ(names, (std::vector<std::string>{"", "new.jsonl"}));
    model.registrar().unsubscribe(hook);
}

TEST(Observation, ListenersMayUnsubscribeWhileBeingTold) {
    Quillstat model;
    Registrar& registrar = model.registrar();
    Recorder second;
    Hook first;
    int told = 0;
    first.told = [&] {
        ++told;
        registrar.unsubscribe(first);
        registrar.unsubscribe(second);
    };
    registrar.subscribe(first, {Field::FileName});
    registrar.subscribe(second, {Field::FileName});
    model.setFileName("x");
    EXPECT_EQ(told, 1);  // will, then gone before did
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(registrar.subscriberCount(Field::FileName), 0u);
    model.setFileName("y");
    EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace quill
