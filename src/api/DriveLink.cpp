// The link to a drive through libmodbus: TCP or RTU, requests retried when they get no answer,
// and late answers discarded.
#include <arpa/inet.h>
#include <modbus.h>
#include <netdb.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "DriveApi.h"

namespace vqdf::api {

struct DriveLink::Context {
    explicit Context(modbus_t* context) : modbus(context) {}
    ~Context() {
        modbus_close(modbus);
        modbus_free(modbus);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    modbus_t* modbus;
};

void SplitHostPort(const std::string& text, std::string& host, std::string& port) {
    port = "502";
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        host = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':') {
            port = text.substr(close + 2);
        }
        return;
    }
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos && text.find(':') == colon) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    } else {
        host = text;
    }
}

namespace {

// The port as a number from 1 to 65535, or none.
std::optional<int> PortNumber(const std::string& port) {
    int number = 0;
    const auto parsed = std::from_chars(port.data(), port.data() + port.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != port.data() + port.size() || number < 1 ||
        number > 65535) {
        return std::nullopt;
    }
    return number;
}

// The speeds a serial line takes.
constexpr std::array<int, 17> kBauds = {300,    600,    1200,   1800,   2400,   4800,
                                        9600,   19200,  38400,  57600,  115200, 230400,
                                        460800, 500000, 576000, 921600, 1000000};

std::string Seconds(double seconds) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, seconds);
    return std::string(text, written.ptr);
}

}  // namespace

std::string LinkOptionsProblem(const LinkOptions& options) {
    if (options.tcp.empty() && options.rtu.empty()) {
        return "give the drive's place: --tcp HOST[:PORT] or --rtu DEVICE";
    }
    if (!options.tcp.empty() && !options.rtu.empty()) {
        return "give --tcp or --rtu, not both";
    }
    if (!options.tcp.empty()) {
        std::string host;
        std::string port;
        SplitHostPort(options.tcp, host, port);
        if (host.empty()) {
            return "--tcp " + options.tcp + " names no host";
        }
        if (!PortNumber(port)) {
            return "--tcp " + options.tcp + ": " + port + " is not a TCP port (1 to 65535)";
        }
        if (options.baud || options.parity) {
            return "--baud and --parity are for a serial line (--rtu), not --tcp";
        }
        if (options.unit < 0 || options.unit > 255) {
            return "--unit " + std::to_string(options.unit) + " is not a unit id (0 to 255)";
        }
    } else {
        if (options.baud &&
            std::find(kBauds.begin(), kBauds.end(), *options.baud) == kBauds.end()) {
            return "--baud " + std::to_string(*options.baud) +
                   " is not a serial line's speed (1200, 2400, ... 115200)";
        }
        if (options.unit < 1 || options.unit > 247) {
            return "--unit " + std::to_string(options.unit) +
                   " is not a drive's slave id (1 to 247; 0 is a broadcast, which no drive "
                   "answers)";
        }
    }
    if (!std::isfinite(options.timeout) || options.timeout <= 0 || options.timeout > 3600) {
        return "--timeout takes the seconds to wait for an answer, above 0 and at most 3600";
    }
    if (options.retries < 0 || options.retries > 100) {
        return "--retries takes the further attempts of a request, 0 to 100";
    }
    return {};
}

std::unique_ptr<DriveLink> DriveLink::Open(const LinkOptions& options, std::string& error) {
    error = LinkOptionsProblem(options);
    if (!error.empty()) {
        return nullptr;
    }
    std::string name;
    modbus_t* modbus = nullptr;
    if (!options.tcp.empty()) {
        std::string host;
        std::string port;
        SplitHostPort(options.tcp, host, port);
        name = host.find(':') == std::string::npos ? host + ":" + port : "[" + host + "]:" + port;
        // A numeric IPv4 address is used as it is: a name lookup would need a network beyond
        // loopback on some systems. A name is looked up here, so that one that names no host
        // is told as such (libmodbus would call it a refused connection).
        in_addr numeric{};
        if (inet_pton(AF_INET, host.c_str(), &numeric) == 1) {
            modbus = modbus_new_tcp(host.c_str(), *PortNumber(port));
        } else {
            addrinfo hints{};
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const int lookup = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
            if (lookup != 0) {
                error = "cannot find the host " + host + ": " + gai_strerror(lookup);
                return nullptr;
            }
            freeaddrinfo(found);
            modbus = modbus_new_tcp_pi(host.c_str(), port.c_str());
        }
    } else {
        name = options.rtu;
        const char parity = options.parity.value_or("N").front();
        modbus = modbus_new_rtu(options.rtu.c_str(), options.baud.value_or(9600), parity, 8, 1);
    }
    if (modbus == nullptr) {
        error = "cannot use " + name + ": " + modbus_strerror(errno);
        return nullptr;
    }
    auto context = std::make_unique<Context>(modbus);
    const auto whole = static_cast<uint32_t>(options.timeout);
    modbus_set_response_timeout(
        modbus, whole, static_cast<uint32_t>(std::lround((options.timeout - whole) * 1e6)));
    if (modbus_set_slave(modbus, options.unit) != 0 || modbus_connect(modbus) != 0) {
        error = "cannot connect to " + name + ": " + modbus_strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<DriveLink>(new DriveLink(std::move(context), name, options));
}

DriveLink::DriveLink(std::unique_ptr<Context> context, std::string name, const LinkOptions& options)
    : context_(std::move(context)), name_(std::move(name)), options_(options) {}

DriveLink::~DriveLink() = default;

bool DriveLink::Reconnect(std::string& error) {
    modbus_close(context_->modbus);
    if (modbus_connect(context_->modbus) != 0) {
        error = "cannot connect to " + name_ + ": " + modbus_strerror(errno);
        return false;
    }
    return true;
}

// A request that gets no answer is sent again, up to the retries asked for, with what arrived
// meanwhile flushed first; an answer that does not match its request after one went unanswered
// is that request's, come late, and is discarded likewise. An exception response is the drive's
// answer and is not retried, nor is a failure of the connection.
template <typename Request>
bool DriveLink::Attempt(Request request, LinkError& error) {
    bool unanswered = false;
    bool late = false;
    for (int attempt = 0; attempt <= options_.retries; ++attempt) {
        if (request() >= 0) {
            return true;
        }
        const int code = errno;
        error.exception = code > MODBUS_ENOBASE && code <= EMBXGTAR;
        if (error.exception) {
            error.text = name_ + " answered: " + modbus_strerror(code);
            return false;
        }
        if (code == EMBBADDATA || code == EMBBADCRC) {
            late = late || unanswered;
        } else if (code == ETIMEDOUT) {
            unanswered = true;
        } else {
            error.text = name_ + ": " + modbus_strerror(code);
            return false;
        }
        modbus_flush(context_->modbus);
    }
    if (unanswered) {
        error.text = name_ + " gave no answer within " + Seconds(options_.timeout) + " s" +
                     (late ? "; a late answer was discarded" : "");
    } else {
        error.text = name_ + " answered with a reply that does not match the request";
    }
    return false;
}

bool DriveLink::Read(uint16_t address, uint16_t count, uint16_t* values, LinkError& error) {
    return Attempt([&] { return modbus_read_registers(context_->modbus, address, count, values); },
                   error);
}

bool DriveLink::Write(uint16_t address, uint16_t value, LinkError& error) {
    return Attempt([&] { return modbus_write_register(context_->modbus, address, value); }, error);
}

}  // namespace vqdf::api
