#include "DriveLink.h"

#include <arpa/inet.h>
#include <fmt/format.h>
#include <modbus.h>

#include <cerrno>
#include <charconv>
#include <cmath>

namespace vqdf::cli {

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

namespace {

// "HOST:PORT", "[V6ADDR]:PORT" or "HOST", into host and port.
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

}  // namespace

std::unique_ptr<DriveLink> DriveLink::Open(const LinkOptions& options, std::string& error) {
    if (options.tcp.empty() == options.rtu.empty()) {
        error = "give the drive's place: --tcp HOST[:PORT] or --rtu DEVICE";
        return nullptr;
    }
    if (options.unit < 0 || options.unit > 247) {
        error = fmt::format("--unit {} is not a slave id (0 to 247)", options.unit);
        return nullptr;
    }
    std::string name;
    modbus_t* modbus = nullptr;
    if (!options.tcp.empty()) {
        std::string host;
        std::string port;
        SplitHostPort(options.tcp, host, port);
        name = fmt::format("{}:{}", host, port);
        // A numeric IPv4 address is used as it is: a name lookup would need a network beyond
        // loopback on some systems.
        in_addr numeric{};
        int portNumber = 0;
        const auto parsed = std::from_chars(port.data(), port.data() + port.size(), portNumber);
        if (inet_pton(AF_INET, host.c_str(), &numeric) == 1 && parsed.ec == std::errc() &&
            parsed.ptr == port.data() + port.size() && portNumber > 0 && portNumber < 65536) {
            modbus = modbus_new_tcp(host.c_str(), portNumber);
        } else {
            modbus = modbus_new_tcp_pi(host.c_str(), port.c_str());
        }
    } else {
        name = options.rtu;
        const char parity = options.parity.empty() ? 'N' : options.parity[0];
        modbus = modbus_new_rtu(options.rtu.c_str(), options.baud, parity, 8, 1);
    }
    if (modbus == nullptr) {
        error = fmt::format("cannot use {}: {}", name, modbus_strerror(errno));
        return nullptr;
    }
    auto context = std::make_unique<Context>(modbus);
    const double seconds = std::max(options.timeout, 0.001);
    const auto whole = static_cast<uint32_t>(seconds);
    modbus_set_response_timeout(modbus, whole,
                                static_cast<uint32_t>(std::lround((seconds - whole) * 1e6)));
    if (modbus_set_slave(modbus, options.unit) != 0 || modbus_connect(modbus) != 0) {
        error = fmt::format("cannot connect to {}: {}", name, modbus_strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<DriveLink>(new DriveLink(std::move(context), name, options));
}

DriveLink::DriveLink(std::unique_ptr<Context> context, std::string name, const LinkOptions& options)
    : context_(std::move(context)), name_(std::move(name)), options_(options) {}

DriveLink::~DriveLink() = default;

// A request that gets no answer is sent again, up to the retries asked for; an exception
// response is the drive's answer and is not.
template <typename Request>
bool DriveLink::Attempt(Request request, LinkError& error) {
    for (int attempt = 0; attempt <= std::max(options_.retries, 0); ++attempt) {
        if (request() >= 0) {
            return true;
        }
        const int code = errno;
        error.exception = code > MODBUS_ENOBASE && code <= EMBXGTAR;
        if (code == ETIMEDOUT) {
            error.text = fmt::format("{} gave no answer within {} s", name_, options_.timeout);
        } else {
            error.text = error.exception
                             ? fmt::format("{} answered: {}", name_, modbus_strerror(code))
                             : fmt::format("{}: {}", name_, modbus_strerror(code));
        }
        if (error.exception || (code != ETIMEDOUT && code != EMBBADDATA && code != EMBBADCRC)) {
            return false;
        }
        modbus_flush(context_->modbus);
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

bool ParseParameterName(const std::string& text, int32_t& group, int32_t& code) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto g = std::from_chars(text.data(), text.data() + slash, group);
    const auto c = std::from_chars(text.data() + slash + 1, end, code);
    return g.ec == std::errc() && g.ptr == text.data() + slash && c.ec == std::errc() &&
           c.ptr == end && slash > 0;
}

}  // namespace vqdf::cli
