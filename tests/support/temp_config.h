#pragma once
// Every settings test works in its own temporary XDG_CONFIG_HOME, never in the user's.
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace vstest {

class TempConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", (dir.path() + "/data").toUtf8()); // the history
    }
    QString ini() const { return dir.path() + "/Ventiscope/Ventiscope.ini"; }
    QTemporaryDir dir;
};

} // namespace vstest
