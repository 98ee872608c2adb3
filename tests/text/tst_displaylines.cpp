// The display-row index against a plain vector, with tiny chunks so every split and merge is exercised.
#include <QRandomGenerator>
#include <QTest>

#include "text/displaylines.h"

#include <algorithm>
#include <numeric>
#include <vector>

class tst_DisplayLines : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithNaiveModel_data()
    {
        QTest::addColumn<int>("chunkSize");
        QTest::newRow("chunks of 1") << 1;
        QTest::newRow("chunks of 2") << 2;
        QTest::newRow("chunks of 5") << 5;
        QTest::newRow("chunks of 512") << 512;
    }

    void agreesWithNaiveModel()
    {
        QFETCH(int, chunkSize);
        text::DisplayLines index(chunkSize);
        std::vector<int> model(1, text::DisplayLines::Unknown);
        index.reset(1);
        QRandomGenerator random(42);
        auto measure = [&](int block) { return 1 + (block * 7 + int(model.size())) % 4; };

        for (int step = 0; step < 3000; ++step) {
            const int count = int(model.size());
            const int first = random.bounded(count);
            const int removed = random.bounded(qMin(4, count - first) + 1);
            const int added = (count - removed == 0 ? 1 : 0) + random.bounded(5);
            index.replace(first, removed, added);
            model.erase(model.begin() + first, model.begin() + first + removed);
            model.insert(model.begin() + first, added, text::DisplayLines::Unknown);
            QCOMPARE(index.blockCount(), int(model.size()));

            const int upTo = random.bounded(int(model.size()) + 1);
            index.countUnknown(upTo, [&](int block) {
                model[size_t(block)] = measure(block);
                return model[size_t(block)];
            });
            QCOMPARE(index.firstUnknownBefore(upTo), -1);
            const int sum = std::accumulate(model.begin(), model.begin() + upTo, 0);
            QCOMPARE(index.rowsBefore(upTo), sum);

            // The row just inside each counted block maps back to it.
            if (upTo > 0) {
                const int block = random.bounded(upTo);
                const int row = std::accumulate(model.begin(), model.begin() + block, 0) + model[size_t(block)] - 1;
                const text::DisplayLines::Hit hit = index.blockOfRow(row);
                QCOMPARE(hit.block, block);
                QCOMPARE(hit.rowInBlock, model[size_t(block)] - 1);
            }

            // Blocks measured out of order, as the caret's neighbourhood is while counting goes on: the
            // estimate takes each unknown block as one row.
            const int far = random.bounded(int(model.size()));
            if (model[size_t(far)] == text::DisplayLines::Unknown && random.bounded(2)) {
                model[size_t(far)] = measure(far);
                index.setRows(far, model[size_t(far)]);
            }
            std::vector<int> estimated(model);
            for (int &rows : estimated)
                rows = rows == text::DisplayLines::Unknown ? 1 : rows;
            const int block = random.bounded(int(model.size()) + 1);
            QCOMPARE(index.estimatedRowsBefore(block), std::accumulate(estimated.begin(), estimated.begin() + block, 0LL));
            QCOMPARE(index.unknownBefore(block), int(std::count(model.begin(), model.begin() + block, text::DisplayLines::Unknown)));
            if (block < int(model.size())) {
                const int inside = random.bounded(estimated[size_t(block)]);
                const long long row = std::accumulate(estimated.begin(), estimated.begin() + block, 0LL) + inside;
                const text::DisplayLines::Hit hit = index.blockOfEstimatedRow(row);
                QCOMPARE(hit.block, block);
                QCOMPARE(hit.rowInBlock, inside);
            }
        }
    }

    void unknownBlocksStopLookups()
    {
        text::DisplayLines index(2);
        index.reset(6);
        index.countUnknown(3, [](int) { return 2; });
        int unknown = -2;
        QCOMPARE(index.blockOfRow(5, &unknown).block, 2);
        QCOMPARE(index.blockOfRow(6, &unknown).block, -1);
        QCOMPARE(unknown, 3);
        QCOMPARE(index.firstUnknownBefore(6), 3);
        index.setRows(4, 3);
        QCOMPARE(index.firstUnknownBefore(6), 3);
        QCOMPARE(index.rows(4), 3);
    }
};

QTEST_GUILESS_MAIN(tst_DisplayLines)
#include "tst_displaylines.moc"
