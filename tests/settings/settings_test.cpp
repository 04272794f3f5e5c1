#include "settings/conversions.h"
#include "settings/settings.h"
#include "files.h"
#include "temp_config.h"

#include <QDir>
#include <QFile>
#include <QLocale>

namespace {

using vstest::TempConfig;
namespace k = vs::keys;

using vstest::readFile;
using vstest::writeFile;

using SettingsStoreTest = TempConfig;

TEST_F(SettingsStoreTest, LivesUnderXdgConfigHomeAndReadingOrHandSetOptionsWriteNothing)
{
    vs::SettingsStore store;
    EXPECT_EQ(store.location(), ini());
    vs::Settings s(store);
    // Defaults that depend on where the program runs, or on the caller.
    EXPECT_EQ(s.text(k::LogFile), QDir::homePath() + "/nymlog.txt");
    EXPECT_EQ(s.number(k::MainFontSize1, 0, 12), 12);
    EXPECT_TRUE(s.flag(k::ChEnable, 0));
    EXPECT_FALSE(s.flag(k::ChEnable, 1));
    EXPECT_FALSE(s.save(k::StartOnLoad, 0, "0")) << "an option set by hand is never written";
    EXPECT_FALSE(s.save(k::RecordLength, 0, "500"));
    EXPECT_FALSE(QFile::exists(ini())) << "reading, or saving what is set by hand, writes nothing";
    EXPECT_TRUE(s.save(k::Warnings, 0, "0"));
    EXPECT_TRUE(QFile::exists(ini()));
}

TEST_F(SettingsStoreTest, KeyNamesAreBuiltExactly)
{
    EXPECT_EQ(k::Color.name(3), "Color[3]");
    EXPECT_EQ(k::Label.name(2), "Label2");
    EXPECT_EQ(k::MenuVisible.name(3), "MenuVisible3");
    EXPECT_EQ(k::Server.name(0), "Server0");
    EXPECT_EQ(k::Warnings.name(7), "Warnings");
    QStringList names;
    for (const vs::KeyDef* key : vs::allKeys())
        names << QString(key->section) + "/" + key->pattern;
    names.removeDuplicates();
    EXPECT_EQ(names.size(), static_cast<qsizetype>(vs::allKeys().size()));
}

TEST_F(SettingsStoreTest, ClearingBringsBackControlDefaults)
{
    vs::SettingsStore store;
    vs::Settings s(store);
    ASSERT_TRUE(s.saveFlagNumber(k::Warnings, 0, false));
    ASSERT_TRUE(s.save(k::Server, 1, "example.org"));
    EXPECT_FALSE(s.flag(k::Warnings));
    s.clearAll();
    EXPECT_TRUE(s.flag(k::Warnings));
    EXPECT_EQ(s.text(k::Server, 1), "127.0.0.1");
    vs::SettingsStore reopened;
    EXPECT_TRUE(vs::Settings(reopened).flag(k::Warnings));
}

TEST_F(SettingsStoreTest, TextsInAnyScriptAndUnprintableBytesRoundTrip)
{
    const QString texts[] = {
        "Luft wird schlecht – Fenster öffnen", "空气质量差", "Воздух плохой", "هواء سيء", "bad 🌫 air",
        QString("tab\there") + QChar(1) + "x", "a, b; c=d \"quoted\" \\ back",
    };
    {
        vs::SettingsStore store;
        vs::Settings s(store);
        for (int i = 0; i < 2; ++i)
            ASSERT_TRUE(s.save(k::TxtWarnMsg, i, texts[i]));
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(s.save(k::Label, i, texts[i + 2]));
    }
    vs::SettingsStore store;
    vs::Settings s(store);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(s.text(k::TxtWarnMsg, i), texts[i]);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(s.text(k::Label, i), texts[i + 2]);

    // A bytes key with anything outside 32..126 is shown as all its bytes escaped,
    // and the escapes come back to the same text.
    const QString shown = s.shownText(k::Label, 0);
    EXPECT_TRUE(shown.startsWith("\\x12\\x04\\x3E\\x04")) << shown.toStdString();
    EXPECT_EQ(vs::bytesSettingFromEdit(shown), texts[2]);
    ASSERT_TRUE(s.save(k::Label, 0, "Plain title"));
    EXPECT_EQ(s.shownText(k::Label, 0), "Plain title");
}

TEST_F(SettingsStoreTest, HandEditedValuesGiveTheReadersFallbacks)
{
    ASSERT_TRUE(writeFile(ini(), "[HIDsettings]\nStartOnLoad=abc\nWarnings=12abc\nMainGraphLeft=oops\nDisableEmulation=maybe\n"
                     "MenuVisible1=False\nMenuVisible2=0\nColor%5B2%5D=255\n"
                     "[NetworkSettings]\nNetworkOption=two\nServer0=a,b\n[Plot]\nthis line is not an assignment\n"));
    const QByteArray before = readFile(ini());
    {
        vs::SettingsStore store;
        vs::Settings s(store);
        EXPECT_TRUE(store.readable());
        EXPECT_EQ(s.number(k::StartOnLoad), 0);
        EXPECT_EQ(s.number(k::Warnings), 12);
        EXPECT_EQ(s.number(k::MainGraphLeft, 0, 300), 300);
        EXPECT_FALSE(s.flag(k::DisableEmulation));
        EXPECT_FALSE(s.flag(k::MenuVisible, 1));
        EXPECT_FALSE(s.flag(k::MenuVisible, 2));
        EXPECT_EQ(s.number(k::Color, 2, 0), 255);
        EXPECT_EQ(s.number(k::NetworkOption), 0);
        EXPECT_EQ(s.text(k::Server, 0), "a,b");
    }
    EXPECT_EQ(readFile(ini()), before) << "reading never rewrites the file";
}

TEST_F(SettingsStoreTest, AnUnreadableStoreGivesDefaultsAndIsNeverReplaced)
{
    QDir().mkpath(ini()); // a folder where the file should be
    vs::SettingsStore store;
    vs::Settings s(store);
    EXPECT_FALSE(store.readable());
    EXPECT_TRUE(s.flag(k::Warnings));
    EXPECT_FALSE(s.save(k::Warnings, 0, "0"));
    EXPECT_TRUE(QFileInfo(ini()).isDir());
}

TEST_F(SettingsStoreTest, NumbersReadWithADotUnderACommaLocale)
{
    ASSERT_TRUE(writeFile(ini(), "[HIDsettings]\nLog2file=1.9\nMainFontSize=10.5\nMainGraphTop=\"1,5\"\n"));
    vs::SettingsStore store;
    vs::Settings s(store);
    EXPECT_EQ(s.number(k::Log2file), 1);
    EXPECT_EQ(s.number(k::MainFontSize), 10.5);
    EXPECT_DOUBLE_EQ(vs::leadingNumber("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(vs::leadingNumber("2,5"), 2);
    if (qgetenv("LC_ALL").startsWith("de_")) {
        ASSERT_EQ(QLocale::system().decimalPoint(), ",");
    }
    if (QLocale::system().decimalPoint() == ",") {
        // A value in the system's own format still reads.
        EXPECT_EQ(s.number(k::MainGraphTop, 0, 0), static_cast<double>(1.5f));
    }
}

} // namespace
