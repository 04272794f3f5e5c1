#pragma once
#include <prometheus/metric_family.h>

#include <memory>
#include <string>
#include <vector>

namespace prometheus {
class Exposer;
}

namespace vs {

class MetricsSnapshot;

// The HTTP endpoint "/metrics" for Prometheus. It serves the series last
// handed to publish(), whole: a scrape sees one pass's figures or the next
// one's, never a mix. The web server answers on threads of its own, with a
// few workers, a size limit on requests and a time-out for clients that do
// not finish theirs, so slow or hostile clients cost neither the sampling
// nor memory.
class MetricsEndpoint {
public:
    ~MetricsEndpoint();

    // Listens on "host:port"; no endpoint (and the reason in `error`) when
    // the address is not usable or taken.
    static std::unique_ptr<MetricsEndpoint> start(const std::string& listen, std::string& error);

    void publish(std::vector<prometheus::MetricFamily> families);
    // The port it listens on (the chosen one when port 0 was asked for).
    int port() const;

private:
    MetricsEndpoint() = default;

    std::string listen_;
    std::shared_ptr<MetricsSnapshot> snapshot_;
    std::unique_ptr<prometheus::Exposer> exposer_;
};

} // namespace vs
