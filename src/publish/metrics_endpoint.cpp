#include "publish/metrics_endpoint.h"

#include "publish/metrics_settings.h"

#include <prometheus/collectable.h>
#include <prometheus/exposer.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

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

namespace {

// The web server's listener waits up to 2 s between looks at its stop flag;
// a connection wakes it at once, so the program ends without that delay.
void wakeListener(const std::string& host, int port)
{
    const std::string bare = host.size() > 2 && host.front() == '[' ? host.substr(1, host.size() - 2) : host;
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (::inet_pton(AF_INET6, bare.c_str(), &v6->sin6_addr) == 1) {
        if (IN6_IS_ADDR_UNSPECIFIED(&v6->sin6_addr))
            v6->sin6_addr = in6addr_loopback;
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v6;
    } else {
        if (bare.empty() || ::inet_pton(AF_INET, bare.c_str(), &v4->sin_addr) != 1 || v4->sin_addr.s_addr == 0)
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v4;
    }
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::close(fd);
}

} // namespace

MetricsEndpoint::~MetricsEndpoint()
{
    if (!exposer_)
        return;
    const int listening = port();
    const std::string host = listen_.rfind(':') == std::string::npos ? std::string() : listen_.substr(0, listen_.rfind(':'));
    std::atomic<bool> stopping{true};
    std::thread waker([&] {
        while (stopping) {
            wakeListener(host, listening);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    exposer_.reset();
    stopping = false;
    waker.join();
}

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
