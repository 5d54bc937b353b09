#include "analysis/observation.h"

#include <gtest/gtest.h>

#include <functional>

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

TEST(Observation, ResubscribingReplacesTheFields) {
    Quillstat model;
    Hook hook;
    int told = 0;
    hook.told = [&] { ++told; };
    model.registrar().subscribe(hook, {Field::FileName});
    model.registrar().subscribe(hook, {Field::StartTime});
    model.setFileName("x");
    EXPECT_EQ(told, 0);
    model.setStartTime(5);
    EXPECT_EQ(told, 2);  // will and did
    model.registrar().unsubscribe(hook);
}

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
