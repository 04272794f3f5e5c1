// What the page reads: the sticks as they are (open, no values, removed),
// the files and calls the web face answers, and what it refuses.
#include "core/monitor_core.h"
#include "core/sampling_loop.h"
#include "stick/channel_state.h"
#include "stick/device_change.h"
#include "stick/sim_stick.h"
#include "web/web_face.h"
#include "web/web_json.h"
#include "core_fixture.h"
#include "sockets.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Web : vstest::CoreFixture {
    std::unique_ptr<vs::WebFace> web;

    void startWeb(const QString& extra = {})
    {
        startCore("Web/Enabled=1\nWeb/Listen=127.0.0.1:" + QString::number(vstest::freePort()) +
                  "\nHistory/Enabled=0\n" + extra);
        std::string error;
        web = vs::WebFace::start(*services, *core, [] { return QStringList{"a line"}; }, error);
        ASSERT_TRUE(web) << error;
    }
    void pass()
    {
        core->sampling().Timer1x_Timer();
        clock.advanceMs(1000);
    }
    QByteArray get(const QByteArray& target, const QByteArray& headers = {})
    {
        return vstest::httpRequest(web->port(), "GET " + target + " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n");
    }
    QJsonObject sticks() const
    {
        return QJsonDocument::fromJson(vs::sticksJson(link, core->sampling().passCount(), 1000)).object();
    }
};

TEST_F(Web, SticksAreOpenWithoutValuesOrRemovedAndAMissingValueIsNull)
{
    for (int i = 0; i < 3; ++i)
        bus.plug({5, 9});
    startWeb();
    pass();
    bus.stick("sim:1")->loseEvery(1);
    bus.unplug("sim:2");
    core->deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    pass();
    const QJsonObject now = sticks();
    const QJsonArray all = now["sticks"].toArray();
    ASSERT_EQ(all.size(), 3);
    EXPECT_EQ(all[0]["state"], "open");
    EXPECT_TRUE(all[0]["channels"][0]["value"].isDouble());
    EXPECT_EQ(all[1]["state"], "no values");
    EXPECT_TRUE(all[1]["channels"][0]["value"].isNull()) << "no value, never 0";
    EXPECT_TRUE(all[1]["channels"][0]["warning"].isNull());
    EXPECT_EQ(all[2]["state"], "removed");
    EXPECT_EQ(all[0]["serial"].toString().toStdString(), vs::stickIdentity(*link.slot(0), 0));
    EXPECT_FALSE(now["air"].isNull());
    // Nothing known at all: the air is "no data".
    bus.stick("sim:0")->loseEvery(1);
    pass();
    EXPECT_TRUE(sticks()["air"].isNull());
}

TEST_F(Web, ItServesThePageItsCallsAndRefusesWhatItMustNot)
{
    bus.plug({5, 9});
    startWeb();
    pass();
    QByteArray reply = get("/");
    if (!web->pageInstalled())
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 503") && reply.contains("holds no index.html")) << reply.toStdString();
    else
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 200") && reply.contains("read-only")) << reply.left(200).toStdString();
    reply = get("/api/sticks");
    ASSERT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
    EXPECT_TRUE(reply.contains("application/json") && reply.contains("\"state\":\"open\""));
    EXPECT_TRUE(get("/api/status").contains("\"lines\":[\"a line\"]"));
    for (const char* outside : {"/../etc/passwd", "/%2e%2e/x", "/.hidden", "/api/nothing"})
        EXPECT_TRUE(get(outside).startsWith("HTTP/1.1 404")) << outside;
    EXPECT_TRUE(get("/api/history?from=soon&to=later").startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(get("/api/history?resolution=0").startsWith("HTTP/1.1 400"));
    EXPECT_TRUE(vstest::httpGet(web->port(), "/api/sticks", "POST").startsWith("HTTP/1.1 405")) << "read-only";
    EXPECT_TRUE(get("/api/history").startsWith("HTTP/1.1 404")) << "no history is kept";
    // A page that listens hears of each pass; a page that leaves is let go.
    QTcpSocket page;
    QByteArray heard;
    QObject::connect(&page, &QTcpSocket::readyRead, [&] { heard += page.readAll(); });
    page.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(web->port()));
    ASSERT_TRUE(page.waitForConnected(10000));
    page.write("GET /api/events HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(vstest::waitFor([&] { return web->openPages() == 1 && heard.contains("event: pass\ndata: {"); }));
    EXPECT_TRUE(heard.contains("text/event-stream"));
    const qsizetype first = heard.size();
    pass();
    ASSERT_TRUE(vstest::waitFor([&] { return heard.size() > first; })) << "the pass is pushed";
    EXPECT_TRUE(heard.mid(first).startsWith("event: pass\ndata: {\"air\""));
    page.abort();
    EXPECT_TRUE(vstest::waitFor([&] { return web->openPages() == 0; }));
}

TEST_F(Web, APasswordFileAsksForItsUserAndPassword)
{
    QTemporaryDir dir;
    // A password file that cannot be read: no page, and the reason.
    startCore("Web/Enabled=1\nWeb/Listen=127.0.0.1:0\nHistory/Enabled=0\nWeb/PasswordFile=" + dir.path() + "/none\n");
    std::string error;
    EXPECT_FALSE(vs::WebFace::start(*services, *core, {}, error));
    EXPECT_NE(error.find("Web/PasswordFile: cannot read"), std::string::npos) << error;
    core.reset();

    ASSERT_TRUE(vstest::writeFile(dir.path() + "/web.pass", "anna:s3cret\n"));
    startWeb("Web/PasswordFile=" + dir.path() + "/web.pass\n");
    const QByteArray refused = get("/api/sticks");
    EXPECT_TRUE(refused.startsWith("HTTP/1.1 401") && refused.contains("WWW-Authenticate: Basic")) << refused.toStdString();
    EXPECT_TRUE(get("/api/sticks", "Authorization: Basic " + QByteArray("anna:wrong").toBase64() + "\r\n")
                    .startsWith("HTTP/1.1 401"));
    EXPECT_TRUE(get("/api/sticks", "Authorization: Basic " + QByteArray("anna:s3cret").toBase64() + "\r\n")
                    .startsWith("HTTP/1.1 200"));
}

} // namespace
