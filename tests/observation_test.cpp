#include "analysis/observation.h"

#include <gtest/gtest.h>

#include "tests/support.h"

namespace quill {
namespace {

using test::Recorder;

/// A view as the user interface draws one: draws inside a tracking scope, then subscribes to
/// what it read.
class View : public Recorder {
public:
    View(Quillstat& model, bool readsName, bool readsList) : model_(model) {
        TrackingScope scope(model.registrar());
        if (readsName) (void)model.fileName();
        if (readsList) (void)model.statList().size();
        model.registrar().subscribe(*this, scope.accessed());
    }
    ~View() override { model_.registrar().unsubscribe(*this); }

private:
    Quillstat& model_;
};

TEST(Observation, AViewIsToldOnlyOfTheFieldsItRead) {
    Quillstat model;
    View title(model, true, false);
    View list(model, false, true);
    model.appendStatLine({});
    model.setFileName("a.jsonl");
    EXPECT_EQ(title.events,
              (decltype(title.events){{false, Field::FileName}, {true, Field::FileName}}));
    EXPECT_EQ(list.events,
              (decltype(list.events){{false, Field::StatList}, {true, Field::StatList}}));
}

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

/// Unsubscribes itself and another listener when told that a field will change.
class Leaver : public Recorder {
public:
    Leaver(Registrar& registrar, ChangeListener* other) : registrar_(registrar), other_(other) {}
    void willChange(Field f) override {
        Recorder::willChange(f);
        registrar_.unsubscribe(*this);
        if (other_) registrar_.unsubscribe(*other_);
    }

private:
    Registrar& registrar_;
    ChangeListener* other_;
};

TEST(Observation, ListenersMayUnsubscribeWhileBeingTold) {
    Quillstat model;
    Registrar& registrar = model.registrar();
    Recorder second;
    Leaver first(registrar, &second);
    registrar.subscribe(first, {Field::FileName});
    registrar.subscribe(second, {Field::FileName});
    model.setFileName("x");
    EXPECT_EQ(first.events.size(), 1u);  // will, then gone before did
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(registrar.subscriberCount(Field::FileName), 0u);
    model.setFileName("y");
    EXPECT_EQ(first.events.size(), 1u);
}

}  // namespace
}  // namespace quill
