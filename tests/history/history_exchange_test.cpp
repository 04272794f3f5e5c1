// Value logs into the history and the history out again, as CSV and as a value log.
#include "files.h"
#include "history/history_export.h"
#include "history/history_reader.h"
#include "history/log_import.h"

#include <QBuffer>
#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vs;

namespace {

// A value log of two sticks as the program writes it, partly with decimal
// commas (a German desktop), with an error text, a line without a time and
// a blank line.
const QByteArray kLog =
    "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"0:CO2eq[ppm]\"\t \"0:Temp[C]\"\t \"1:CO2eq[ppm]\"\t \r\n"
    "2026-03-29 01:59:58\t 812\t 21.25\t 450\t \r\n"
    "2026-03-29 03:00:01\t 813\t 21,5\t 451\t \r\n"
    "2026-03-29 03:00:02\t 4294967.29\t -3,07\t 0\t Stick 1: no answer\r\n"
    "garbage\t 1\t 2\t 3\t \r\n"
    "\r\n"
    "2026-03-29 03:00:03\t 815\t \t 453\t \r\n";

// The same, as the history gives it back: "." decimals, the empty channel empty.
const QByteArray kBack =
    "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"0:CO2eq[ppm]\"\t \"0:Temp[C]\"\t \"1:CO2eq[ppm]\"\t \r\n"
    "2026-03-29 01:59:58\t 812\t 21.25\t 450\t \r\n"
    "2026-03-29 03:00:01\t 813\t 21.5\t 451\t \r\n"
    "2026-03-29 03:00:02\t 4294967.29\t -3.07\t 0\t \r\n"
    "2026-03-29 03:00:03\t 815\t \t 453\t \r\n";

class Exchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("TZ", "Europe/Berlin"); // the night the clocks go forward
        tzset();
        store.open(dir.path() + "/history.sqlite");
    }
    void TearDown() override
    {
        qunsetenv("TZ");
        tzset();
    }
    QString file(const QString& name, const QByteArray& text)
    {
        EXPECT_TRUE(vstest::writeFile(dir.path() + "/" + name, text));
        return dir.path() + "/" + name;
    }
    QByteArray exported(const ExportRequest& request, long* rows = nullptr)
    {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        EXPECT_TRUE(exportHistory(store.db(), request, out, error, rows)) << error.toStdString();
        return out.data();
    }
    QTemporaryDir dir;
    HistoryStore store;
};

} // namespace

TEST_F(Exchange, AValueLogGoesInOnceAndComesBackValueForValue)
{
    ImportCounts counts;
    QString error;
    ASSERT_TRUE(importLog(store, file("office.txt", kLog), QString(), counts, error)) << error.toStdString();
    EXPECT_EQ(counts.lines, 5);
    EXPECT_EQ(counts.bad, 1);
    EXPECT_EQ(counts.added, 8); // 4 times x 2 sticks
    EXPECT_EQ(counts.skipped, 0);

    ExportRequest tsv;
    tsv.csv = false;
    long rows = 0;
    EXPECT_EQ(exported(tsv, &rows), kBack);
    EXPECT_EQ(rows, 4);

    // The same log again adds nothing; the history's own export reads back as a log too.
    ImportCounts again;
    ASSERT_TRUE(importLog(store, file("office.txt", kLog), QString(), again, error));
    EXPECT_EQ(again.added, 0);
    EXPECT_EQ(again.skipped, 8);
    HistoryStore other;
    other.open(dir.path() + "/other.sqlite");
    ImportCounts fromExport;
    ASSERT_TRUE(importLog(other, file("office.txt", kBack), QString(), fromExport, error));
    EXPECT_EQ(fromExport.added, 8);

    // CSV: RFC 4180 and ISO 8601 times with the offset of their day, one stick and range chosen.
    ExportRequest csv;
    csv.serials = {"log:office.txt:0"};
    csv.fromMs = QDateTime::fromString("2026-03-29T03:00:01+02:00", Qt::ISODate).toMSecsSinceEpoch();
    EXPECT_EQ(exported(csv), QByteArray("time,log:office.txt:0:CO2eq[ppm],log:office.txt:0:Temp[C]\r\n"
                                        "2026-03-29T03:00:01+02:00,813,21.5\r\n"
                                        "2026-03-29T03:00:02+02:00,4294967.29,-3.07\r\n"
                                        "2026-03-29T03:00:03+02:00,815,\r\n"));
    csv.fromMs = QDateTime::fromString("2026-03-29T01:59:58+01:00", Qt::ISODate).toMSecsSinceEpoch();
    csv.toMs = csv.fromMs + 1;
    csv.channels["log:office.txt:0"] = {1};
    EXPECT_EQ(exported(csv), QByteArray("time,log:office.txt:0:Temp[C]\r\n2026-03-29T01:59:58+01:00,21.25\r\n"));
}

TEST_F(Exchange, AOneStickLogJoinsThatSticksOwnSeries)
{
    const SeriesIdentity stick{"A1B2C3", "Office", {"CO2eq"}, {"ppm"}};
    const int64_t t = QDateTime::fromString("2026-03-30T10:00:00+02:00", Qt::ISODate).toMSecsSinceEpoch();
    store.add({{stick, t, {700}}});
    const QByteArray log = "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"CO2eq[ppm]\"\t \r\n"
                           "2026-03-30 09:59:59\t 699\t \r\n"
                           "2026-03-30 10:00:00\t 700\t \r\n";
    ImportCounts counts;
    QString error;
    ASSERT_TRUE(importLog(store, file("one.txt", log), "A1B2C3", counts, error));
    EXPECT_EQ(counts.added, 1);
    EXPECT_EQ(counts.skipped, 1);
    ASSERT_EQ(listSeries(store.db()).size(), 1u);

    // Not a value log at all: said, nothing stored.
    EXPECT_FALSE(importLog(store, file("notes.txt", "shopping list\r\nmilk\r\n"), QString(), counts, error));
    EXPECT_TRUE(error.contains("not a value log")) << error.toStdString();
    EXPECT_FALSE(importLog(store, dir.path() + "/missing.txt", QString(), counts, error));
    // A serial number names the one stick of a log, never two.
    EXPECT_FALSE(importLog(store, file("office.txt", kLog), "A1B2C3", counts, error));
    EXPECT_TRUE(error.contains("holds 2 sticks")) << error.toStdString();
}
