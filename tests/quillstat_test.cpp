#include "analysis/quillstat.h"

#include <gtest/gtest.h>

#include "tests/support.h"

namespace quill {
namespace {

using test::AllFields;

TEST(Quillstat, StartsEmptyWithTheInitialStartTime) {
    Quillstat model;
    EXPECT_TRUE(model.statList().empty());
    EXPECT_FALSE(model.selectedStat());
    EXPECT_TRUE(model.selectedStatStats().empty());
    EXPECT_EQ(model.fileName(), "");
    EXPECT_TRUE(model.pointsPersist().empty());
    EXPECT_TRUE(model.pointsSpecial().empty());
    EXPECT_TRUE(model.ratesPoints().empty());
    EXPECT_EQ(model.startTime(), 2771537664);
}

TEST(Quillstat, NameAndStartTimeNotifyOnlyWhenTheyChange) {
    Quillstat model;
    AllFields seen(model);
    model.setFileName("a.jsonl");
    model.setFileName("a.jsonl");
    model.setStartTime(Quillstat::kInitialStartTime);
    EXPECT_EQ(seen.count(Field::FileName), 1u);
    EXPECT_EQ(seen.count(Field::StartTime), 0u);
    model.setStartTime(7);
    EXPECT_EQ(model.startTime(), 7);
    EXPECT_EQ(seen.count(Field::StartTime), 1u);
}

TEST(Quillstat, ListAndSelectionWritesAlwaysNotify) {
    Quillstat model;
    AllFields seen(model);
    model.setStatList({});
    model.setPointsPersist({});
    model.setSelectedStat(std::nullopt);
    EXPECT_EQ(seen.events, (decltype(seen.events){{false, Field::StatList},
                                                  {true, Field::StatList},
                                                  {false, Field::PointsPersist},
                                                  {true, Field::PointsPersist},
                                                  {false, Field::SelectedStat},
                                                  {true, Field::SelectedStat}}));
}

/// Checks, when told that a field changed, that the model already holds the new value.
class ValueAtDidChange : public ChangeListener {
public:
    explicit ValueAtDidChange(Quillstat& model) : model_(model) {}
    std::vector<std::string> namesAtWill, namesAtDid;
    void willChange(Field) override { namesAtWill.push_back(model_.fileName()); }
    void didChange(Field) override { namesAtDid.push_back(model_.fileName()); }

private:
    Quillstat& model_;
};

TEST(Quillstat, WillChangeSeesTheOldValueAndDidChangeTheNew) {
    Quillstat model;
    ValueAtDidChange listener(model);
    model.registrar().subscribe(listener, {Field::FileName});
    model.setFileName("new.jsonl");
    EXPECT_EQ(listener.namesAtWill, std::vector<std::string>{""});
    EXPECT_EQ(listener.namesAtDid, std::vector<std::string>{"new.jsonl"});
    model.registrar().unsubscribe(listener);
}

TEST(Quillstat, SelectedDateTextFollowsTheLocalZone) {
    Quillstat model;
    EXPECT_EQ(model.selectedDateText(), "date not available");
    model.setSelectedStat(test::entry(0, 0, "f"));
    {
        test::ScopedTimeZone zone("UTC");
        EXPECT_EQ(model.selectedDateText(), "1970-01-01 00:00:00+0000");
    }
    {
        test::ScopedTimeZone zone("Europe/Paris");
        EXPECT_EQ(model.selectedDateText(), "1970-01-01 01:00:00+0100");
    }
    model.setSelectedStat(test::entry(1700000000, 0, "f"));
    test::ScopedTimeZone zone("UTC");
    EXPECT_EQ(model.selectedDateText(), "2023-11-14 22:13:20+0000");
}

TEST(Quillstat, SelectedDateTextSubscribesToTheSelection) {
    Quillstat model;
    TrackingScope scope(model.registrar());
    (void)model.selectedDateText();
    EXPECT_EQ(scope.accessed(), FieldSet{Field::SelectedStat});
}

}  // namespace
}  // namespace quill
