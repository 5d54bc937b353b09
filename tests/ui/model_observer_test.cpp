#include "ui/model_observer.h"

#include <QtTest>

#include "tests/support.h"

using namespace quill;

class ModelObserverTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void followsWhatTheLatestDrawingRead() {
        // A view that reads a field only in some states must not miss that field's changes.
        Quillstat model;
        bool readsName = false;
        ui::ModelObserver observer(model, [&] {
            (void)model.startTime();
            if (readsName) (void)model.fileName();
        });
        observer.drawNow();
        model.setFileName("x");
        QVERIFY(!observer.drawPending());
        readsName = true;
        model.setStartTime(5);
        QTRY_COMPARE(observer.drawCount(), 2);
        model.setFileName("y");
        QVERIFY(observer.drawPending());
    }

    void stopsListeningWhenDestroyed() {
        Quillstat model;
        {
            ui::ModelObserver observer(model, [&] { (void)model.fileName(); });
            observer.drawNow();
            QCOMPARE(model.registrar().subscriberCount(Field::FileName), std::size_t{1});
        }
        QCOMPARE(model.registrar().subscriberCount(Field::FileName), std::size_t{0});
        model.setFileName("after");  // must not reach a dead observer
    }
};

QTEST_MAIN(ModelObserverTest)
#include "model_observer_test.moc"
