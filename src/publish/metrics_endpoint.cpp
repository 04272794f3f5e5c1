#include "publish/metrics_endpoint.h"

#include "publish/metrics_settings.h"

#include <prometheus/collectable.h>
#include <prometheus/exposer.h>

#include <exception>
#include <mutex>

namespace vs {

// The series of the last pass, swapped in whole under a lock; the web
// server's threads copy them out.
class MetricsSnapshot final : public prometheus::Collectable {
public:
    std::vector<prometheus::MetricFamily> Collect() const override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return families_;
    }
    void replace(std::vector<prometheus::MetricFamily> families)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        families_.swap(families);
    }

private:
    mutable std::mutex mutex_;
    std::vector<prometheus::MetricFamily> families_;
};

MetricsEndpoint::~MetricsEndpoint() = default;

std::unique_ptr<MetricsEndpoint> MetricsEndpoint::start(const std::string& listen, std::string& error)
{
    const std::optional<std::string> ports = listenOption(listen, error);
    if (!ports)
        return nullptr;
    std::unique_ptr<MetricsEndpoint> endpoint(new MetricsEndpoint);
    endpoint->listen_ = listen;
    endpoint->snapshot_ = std::make_shared<MetricsSnapshot>();
    try {
        endpoint->exposer_ = std::make_unique<prometheus::Exposer>(std::vector<std::string>{
            "listening_ports", *ports,
            "num_threads", "4",
            // A request head over 16 KiB is refused; one that does not end
            // within 5 s is dropped.
            "max_request_size", "16384",
            "request_timeout_ms", "5000",
            "enable_keep_alive", "no",
            "connection_queue", "64",
            "listen_backlog", "64",
        });
    } catch (const std::exception& e) {
        error = "cannot listen on " + listen + ": " + e.what();
        return nullptr;
    }
    endpoint->exposer_->RegisterCollectable(endpoint->snapshot_);
    return endpoint;
}

void MetricsEndpoint::publish(std::vector<prometheus::MetricFamily> families)
{
    snapshot_->replace(std::move(families));
}

int MetricsEndpoint::port() const
{
    const std::vector<int> ports = exposer_->GetListeningPorts();
    return ports.empty() ? 0 : ports.front();
}

} // namespace vs
