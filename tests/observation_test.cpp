#include "analysis/observation.h"

#include <gtest/gtest.h>

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
