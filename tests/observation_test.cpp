#include "analysis/observation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "analysis/quillstat.h"

namespace quill {
namespace {

/// A listener that runs `told` at each notification.
class Hook : public ChangeListener {
public:
    std::function<void()> told;
    void willChange(Field) override { told(); }
    void didChange(Field) override { told(); }
};

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

TEST(Observation, ListenersHearOnlyTheirFieldsOldValueThenNewAndNoEqualWrites) {
    Quillstat model;
    std::vector<std::string> heard;
    Hook hook;
    hook.told = [&] {
        heard.push_back(model.fileName() + "@" + std::to_string(model.startTime()));
    };
    model.registrar().subscribe(hook, {Field::StartTime});
    model.registrar().subscribe(hook, {Field::FileName});  // replaces the fields
    model.setStartTime(5);
    model.setFileName("new.jsonl");
    model.setFileName("new.jsonl");
    model.setStatList(nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"@5", "new.jsonl@5"}));
    model.registrar().unsubscribe(hook);
}

TEST(Observation, ListenersMayUnsubscribeWhileBeingTold) {
    Quillstat model;
    Registrar& registrar = model.registrar();
    Hook first, second;
    int told = 0, secondTold = 0;
    second.told = [&] { ++secondTold; };
    first.told = [&] {
        ++told;
        registrar.unsubscribe(first);
        registrar.unsubscribe(second);
    };
    registrar.subscribe(first, {Field::FileName});
    registrar.subscribe(second, {Field::FileName});
    model.setFileName("x");
    EXPECT_EQ(told, 1);  // will, then gone before did
    EXPECT_EQ(secondTold, 0);
    EXPECT_EQ(registrar.subscriberCount(Field::FileName), 0u);
    model.setFileName("y");
    EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace quill
