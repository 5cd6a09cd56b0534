// A connection to a drive over Modbus, TCP or RTU on a serial line, through libmodbus: holding
// registers read and written, each failure with its cause.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vqdf::cli {

struct LinkOptions {
    std::string tcp;  // HOST[:PORT], port 502 by default
    std::string rtu;  // a serial device
    int baud = 9600;
    std::string parity = "N";  // N, E or O
    int unit = 1;              // the slave id
    double timeout = 1.0;      // seconds to wait for an answer
    int retries = 1;           // further attempts after a request gets no answer
};

// Why a request failed: an exception response of the drive concerns the registers asked for;
// anything else is the link's.
struct LinkError {
    bool exception = false;
    std::string text;
};

class DriveLink {
public:
    // Connects; null with the reason when it cannot.
    static std::unique_ptr<DriveLink> Open(const LinkOptions& options, std::string& error);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;

    // Where the drive is: "127.0.0.1:5020", "/dev/ttyUSB0".
    const std::string& Name() const { return name_; }

    bool Read(uint16_t address, uint16_t count, uint16_t* values, LinkError& error);
    bool Write(uint16_t address, uint16_t value, LinkError& error);

private:
    struct Context;
    DriveLink(std::unique_ptr<Context> context, std::string name, const LinkOptions& options);
    template <typename Request>
    bool Attempt(Request request, LinkError& error);

    std::unique_ptr<Context> context_;
    std::string name_;
    LinkOptions options_;
};

// A parameter named as GROUP/CODE, e.g. "1/12"; false when the text is not one.
bool ParseParameterName(const std::string& text, int32_t& group, int32_t& code);

}  // namespace vqdf::cli
