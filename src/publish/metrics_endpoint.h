#pragma once
#include "publish/http_listener.h"

#include <prometheus/metric_family.h>

#include <memory>
#include <string>
#include <vector>

namespace vs {

// The HTTP endpoint "/metrics" for Prometheus (and a page at "/" that links
// to it), served from the event loop with the bounds of HttpListener.
// It answers with the series last handed to publish(), whole: a scrape sees
// one pass's figures or the next one's, never a mix. No thread, so a scrape
// never delays a pass by more than the few microseconds it takes.
class MetricsEndpoint {
public:
    static constexpr int kMaxConnections = HttpListener::kMaxConnections;
    static constexpr int kRequestMs = HttpListener::kRequestMs;
    static constexpr int kMaxHead = HttpListener::kMaxHead;

    // Listens on "host:port", "[v6 address]:port" or a port alone (every
    // interface); no endpoint (and the reason in `error`) when the address is
    // not usable or taken.
    static std::unique_ptr<MetricsEndpoint> start(const std::string& listen, std::string& error);

    void publish(std::vector<prometheus::MetricFamily> families);
    int port() const { return listener_->port(); }
    std::string where() const { return listener_->where(); }
    // Scrapes answered since the start.
    long answered() const { return answered_; }

private:
    MetricsEndpoint() = default;
    HttpReply answer(const HttpRequest& request);
    const QByteArray& body();

    std::unique_ptr<HttpListener> listener_;
    std::vector<prometheus::MetricFamily> families_;
    QByteArray body_;
    bool bodyStale_ = true;
    long answered_ = 0;
};

} // namespace vs
