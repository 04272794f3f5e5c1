#include "publish/metrics_endpoint.h"

#include "publish/exposition.h"

namespace vs {

std::unique_ptr<MetricsEndpoint> MetricsEndpoint::start(const std::string& listen, std::string& error)
{
    std::unique_ptr<MetricsEndpoint> endpoint(new MetricsEndpoint);
    MetricsEndpoint* e = endpoint.get();
    endpoint->listener_ = HttpListener::start(listen, [e](const HttpRequest& r) { return e->answer(r); }, error);
    if (!endpoint->listener_)
        return nullptr;
    return endpoint;
}

void MetricsEndpoint::publish(std::vector<prometheus::MetricFamily> families)
{
    families_ = std::move(families);
    bodyStale_ = true;
}

const QByteArray& MetricsEndpoint::body()
{
    // Written out only when asked for, and once per pass.
    if (bodyStale_) {
        body_ = QByteArray::fromStdString(exposition(families_));
        bodyStale_ = false;
    }
    return body_;
}

HttpReply MetricsEndpoint::answer(const HttpRequest& request)
{
    if (request.path == "/") {
        static const QByteArray landing =
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Ventiscope</title></head>\n"
            "<body><h1>Ventiscope</h1><p>The sticks' readings for Prometheus: <a href=\"/metrics\">/metrics</a></p>"
            "</body></html>\n";
        return {"200 OK", "text/html; charset=utf-8", landing};
    }
    if (request.path != "/metrics")
        return {"404 Not Found", "text/plain", "the metrics are at /metrics\n"};
    ++answered_;
    return {"200 OK", "text/plain; version=0.0.4; charset=utf-8", body()};
}

} // namespace vs
