// The service's status face: time-stamped lines on a stream.
#include "common/clock.h"
#include "service/console_face.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(ConsoleFace, EachStatusLineIsOneStampedLineAndPartsWaitForTheirLineEnd)
{
    vs::ManualClock clock{{2026, 12, 7, 8, 15, 2, 0}};
    std::ostringstream out;
    {
        vs::ConsoleFace face(clock, out, false);
        face.print(QString(QChar(12)) + "2 sensors found:\nSensor 0: ");
        face.print("Reading...S/N:1\r\n");
        face.print("Sensor 1: Reading...");
        face.print(QString(QChar(12)));
        face.print("waiting");
    } // the pending part is written at the end
    EXPECT_EQ(out.str(), "2026-12-07 08:15:02 2 sensors found:\n"
                         "2026-12-07 08:15:02 Sensor 0: Reading...S/N:1\n"
                         "2026-12-07 08:15:02 Sensor 1: Reading...\n"
                         "2026-12-07 08:15:02 waiting\n");
}

TEST(ConsoleFace, OnTheJournalEachLineCarriesItsPriorityAndNoTime)
{
    vs::ManualClock clock{{2026, 12, 7, 8, 15, 2, 0}};
    std::ostringstream out;
    {
        vs::ConsoleFace face(clock, out, true);
        face.print("2 sensors found:\nSensor 0 (S/N A1): no values: NYM_SEND_ERROR\n");
        face.balloon("CO2eq\r\nBad air quality", "Ventiscope", 10000);
        face.endAfterError("Error configuring stick(s): nym_ask('*IDN?', 0):NYM_RECV_ERR_Readfile:x");
        face.print("Sensor 1 (S/N B2): removed\n");
    }
    EXPECT_EQ(out.str(), "<6>2 sensors found:\n"
                         "<4>Sensor 0 (S/N A1): no values: NYM_SEND_ERROR\n"
                         "<4>Warning: CO2eq Bad air quality\n"
                         "<3>Error configuring stick(s): nym_ask('*IDN?', 0):NYM_RECV_ERR_Readfile:x\n"
                         "<4>Sensor 1 (S/N B2): removed\n");
}
