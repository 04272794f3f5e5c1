// The listener's event streams stay bounded: a page more than the cap
// replaces the oldest, and a reader that does not read is let go rather
// than buffered for.
#include "publish/http_listener.h"
#include "stream_listener.h"
#include "sockets.h"

#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(HttpListener, StreamsAreCappedAndAReaderThatDoesNotReadIsDropped)
{
    std::string error;
    auto listener = vstest::streamListener(error);
    ASSERT_TRUE(listener) << error;
    std::vector<std::unique_ptr<QTcpSocket>> pages;
    auto open = [&] {
        pages.push_back(std::make_unique<QTcpSocket>());
        QTcpSocket& s = *pages.back();
        s.setReadBufferSize(1024); // a page that takes no more than this
        s.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(listener->port()));
        ASSERT_TRUE(s.waitForConnected(10000));
        s.write("GET /events HTTP/1.1\r\n\r\n");
    };
    for (int i = 0; i < vs::HttpListener::kMaxStreams; ++i)
        open();
    ASSERT_TRUE(vstest::waitFor([&] { return listener->streams() == vs::HttpListener::kMaxStreams; }));
    open();
    ASSERT_TRUE(vstest::waitFor([&] { return pages.front()->state() == QAbstractSocket::UnconnectedState; }))
        << "the oldest page made room";
    EXPECT_EQ(listener->streams(), vs::HttpListener::kMaxStreams);

    // No page reads: what is pushed piles up in the kernel, then in the
    // listener, until each reader is let go.
    const QByteArray event = "data: " + QByteArray(64 * 1024, 'x') + "\n\n";
    ASSERT_TRUE(vstest::waitFor([&] {
        listener->push(event);
        return listener->streams() == 0;
    }));
}

} // namespace
