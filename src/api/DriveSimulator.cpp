// A stand-in for a drive, from its data file: the registers the file names, with its defaults
// and its limits, served over Modbus TCP or RTU through libmodbus's server side. libmodbus frames
// and answers each request; what a request may touch is decided here first.
#include <arpa/inet.h>
#include <fcntl.h>
#include <modbus.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "DriveApi.h"

namespace vqdf::api {
namespace {

// What a register is to the drive, which says what a write to it may do.
enum class Role {
    Parameter,      // a parameter's 16-bit register
    ParameterHigh,  // the high half of a parameter's 32-bit value
    ParameterLow,   // its low half
    Common,         // a common parameter
    Control,        // the control register, within a common parameter's limits where one is on it
    Save,           // the parameter save register: any value, counted
    Reported,       // model number, status, trip and warning registers and values: read only
};

struct Slot {
    Role role = Role::Reported;
    const ParamInfo* param = nullptr;
    const CommonInfo* common = nullptr;
    uint16_t partner = 0;  // the other half of a 32-bit value; a parameter's 16-bit register
    std::string name;      // for the log
};

// Equal without regard to the case of ASCII letters.
bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The words of a command line: runs of non-blanks, or text in double quotation marks.
std::optional<std::vector<std::string>> Words(std::string_view line) {
    std::vector<std::string> words;
    std::size_t k = 0;
    while (k < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[k])) != 0) {
            ++k;
        } else if (line[k] == '"') {
            const std::size_t close = line.find('"', k + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            words.emplace_back(line.substr(k + 1, close - k - 1));
            k = close + 1;
        } else {
            std::size_t end = k;
            while (end < line.size() && std::isspace(static_cast<unsigned char>(line[end])) == 0) {
                ++end;
            }
            words.emplace_back(line.substr(k, end - k));
            k = end;
        }
    }
    return words;
}

// A whole number in decimal or 0x-hexadecimal, or none.
std::optional<int64_t> WholeNumber(std::string_view text) {
    bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    int64_t value = 0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::string Hex(uint16_t address) { return HexText(address); }

const char* ExceptionName(int code) {
    switch (code) {
        case MODBUS_EXCEPTION_ILLEGAL_FUNCTION:
            return "illegal function";
        case MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS:
            return "illegal data address";
        default:
            return "illegal data value";
    }
}

uint16_t Word(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }

}  // namespace

struct DriveSimulator::State {
    const DataFile& file;
    SimulatorOptions options;
    std::map<uint16_t, Slot> slots;
    modbus_mapping_t* mapping = nullptr;
    modbus_t* modbus = nullptr;
    int listener = -1;
    std::vector<int> clients;
    std::string place;
    int port = 0;
    mutable std::mutex mutex;  // the registers and counts, between the server and commands
    long requests = 0;
    long saves = 0;
    std::atomic<bool> stop{false};
    std::thread server;

    State(const DataFile& f, SimulatorOptions o) : file(f), options(std::move(o)) {}
    ~State() {
        stop = true;
        if (server.joinable()) {
            server.join();
        }
        for (const int client : clients) {
            close(client);
        }
        if (listener >= 0) {
            close(listener);
        }
        if (modbus != nullptr) {
            if (!options.rtu.empty()) {
                modbus_close(modbus);
            }
            modbus_free(modbus);
        }
        if (mapping != nullptr) {
            modbus_mapping_free(mapping);
        }
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    uint16_t& At(uint16_t address) { return mapping->tab_registers[address]; }

    // The registers of the file, the first claim of an address keeping it: parameters, then
    // the device's registers, the common parameters, the trip and warning registers, the values
    // shown with them, and the terminals' status.
    void Claim(uint16_t address, Slot slot, uint16_t value) {
        if (slots.emplace(address, std::move(slot)).second) {
            At(address) = value;
        }
    }
    void Build() {
        const bool wide = file.Extend() != nullptr && file.Extend()->KeypadCommOffset32 != 0;
        for (const Parameter& p : Parameters(file)) {
            const int32_t def = p.param->Def;
            Claim(p.address, {Role::Parameter, p.param, nullptr, 0, NameOf(p)},
                  static_cast<uint16_t>(def));
            if (const auto address32 =
                    wide ? file.ParamAddress32(p.group->GroupNum, p.param->CodeNum)
                         : std::nullopt) {
                const auto high = static_cast<uint16_t>(*address32);
                const auto low = static_cast<uint16_t>(*address32 + 1);
                if (slots.count(high) == 0 && slots.count(low) == 0) {
                    Claim(high, {Role::ParameterHigh, p.param, nullptr, p.address, NameOf(p)},
                          static_cast<uint16_t>(static_cast<uint32_t>(def) >> 16));
                    Claim(low, {Role::ParameterLow, p.param, nullptr, p.address, NameOf(p)},
                          static_cast<uint16_t>(def));
                }
            }
        }
        const DeviceInfo& device = file.Device();
        const auto device_register = [&](int32_t address, Role role, const char* name,
                                         uint16_t value) {
            if (address > 0 && address <= 0xFFFF) {
                Claim(static_cast<uint16_t>(address), {role, nullptr, nullptr, 0, name}, value);
            }
        };
        device_register(device.ModelNoCommAddr, Role::Reported, "model number",
                        static_cast<uint16_t>(device.ModelNo));
        device_register(device.InvStatusCommAddr, Role::Reported, "status", 0);
        device_register(device.MotorStatusCommAddr, Role::Reported, "motor status", 0);
        device_register(device.InvControlCommAddr, Role::Control, "control", 0);
        device_register(device.ParaSaveCommAddr, Role::Save, "parameter save", 0);
        const CommonSpec& common = file.Common();
        for (int32_t k = 0; common.CommonParams != nullptr && k < common.CommonCount; ++k) {
            const CommonInfo& c = common.CommonParams[k];
            if (c.CommAddr < 0 || c.CommAddr > 0xFFFF) {
                continue;
            }
            const auto address = static_cast<uint16_t>(c.CommAddr);
            const auto found = slots.find(address);
            if (found != slots.end() && found->second.role == Role::Control &&
                found->second.common == nullptr) {
                found->second.common = &c;  // the control register within its limits
                At(address) = static_cast<uint16_t>(c.Def);
            } else {
                Claim(address, {Role::Common, nullptr, &c, 0, CodePageText(c.Title)},
                      static_cast<uint16_t>(c.Def));
            }
        }
        const TripSpec& trip = file.Trips();
        device_register(trip.FirstTripAddr, Role::Reported, "trip", 0);
        device_register(trip.FirstWarnAddr, Role::Reported, "warning", 0);
        for (const auto& [table, count] :
             {std::pair(trip.TripAddr, trip.TripAddrCount), {trip.WarnAddr, trip.WarnAddrCount}}) {
            for (int32_t k = 0; table != nullptr && k < count; ++k) {
                device_register(table[k], Role::Reported, "trip register", 0);
            }
        }
        for (const auto& [values, count] :
             {std::pair(trip.TripStatusInfoData, trip.TripStatusInfoCount),
              {trip.WarnStatusInfoData, trip.WarnStatusInfoCount}}) {
            for (int32_t k = 0; values != nullptr && k < count; ++k) {
                device_register(values[k].CommAddr, Role::Reported, "value", 0);
            }
        }
        const IOSpec& io = file.IO();
        device_register(io.InputStatusCommAddr, Role::Reported, "input status", 0);
        device_register(io.OutputStatusCommAddr, Role::Reported, "output status", 0);
    }

    // A parameter's value as its registers would hold it after writing raw at address.
    int32_t ParameterValue(const Slot& slot, uint16_t address, uint16_t raw,
                           const std::map<uint16_t, uint16_t>& written) {
        const auto held = [&](uint16_t at) {
            const auto w = written.find(at);
            return w != written.end() ? w->second : At(at);
        };
        switch (slot.role) {
            case Role::ParameterHigh:
                return static_cast<int32_t>(static_cast<uint32_t>(raw) << 16 |
                                            held(static_cast<uint16_t>(address + 1)));
            case Role::ParameterLow:
                return static_cast<int32_t>(
                    static_cast<uint32_t>(held(static_cast<uint16_t>(address - 1))) << 16 | raw);
            default:
                return ValueOfRegister(*slot.param, raw);
        }
    }

    // Why a write of raw to the slot is refused, as a Modbus exception; 0 when it is taken.
    int Refusal(const Slot& slot, uint16_t address, uint16_t raw,
                const std::map<uint16_t, uint16_t>& written, std::string& why) {
        switch (slot.role) {
            case Role::Parameter:
            case Role::ParameterHigh:
            case Role::ParameterLow: {
                const int32_t value = ParameterValue(slot, address, raw, written);
                if (!WithinLimits(file, *slot.param, value)) {
                    why = std::to_string(value) + " is " + LimitsNote(file, *slot.param);
                    return MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
                }
                return 0;
            }
            case Role::Common:
            case Role::Control: {
                if (slot.common == nullptr) {
                    return 0;
                }
                const int32_t value =
                    slot.common->Min < 0 ? static_cast<int16_t>(raw) : static_cast<int32_t>(raw);
                if (value < slot.common->Min || value > slot.common->Max) {
                    why = std::to_string(value) + " is outside " +
                          std::to_string(slot.common->Min) + " to " +
                          std::to_string(slot.common->Max);
                    return MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE;
                }
                return 0;
            }
            case Role::Save:
                return 0;
            case Role::Reported:
                why = "the drive only reports it";
                return MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS;
        }
        return 0;
    }

    // The registers that hold a parameter's value, by its 16-bit address: that one, and the two
    // of its 32-bit address where it has one.
    std::vector<std::pair<uint16_t, uint16_t>> ParameterRegisters(uint16_t address,
                                                                  int32_t value) const {
        const auto bits = static_cast<uint32_t>(value);
        std::vector<std::pair<uint16_t, uint16_t>> registers = {
            {address, static_cast<uint16_t>(bits)}};
        for (const auto& [at, slot] : slots) {
            if (slot.role == Role::ParameterHigh && slot.partner == address) {
                registers.emplace_back(at, static_cast<uint16_t>(bits >> 16));
                registers.emplace_back(static_cast<uint16_t>(at + 1), static_cast<uint16_t>(bits));
            }
        }
        return registers;
    }

    // A parameter's value written through one of its addresses, in all of them; a write to the
    // save register counted.
    void Mirror(uint16_t address) {
        const Slot& slot = slots.at(address);
        if (slot.role == Role::Parameter) {
            for (const auto& [at, raw] :
                 ParameterRegisters(address, ValueOfRegister(*slot.param, At(address)))) {
                At(at) = raw;
            }
        } else if (slot.role == Role::ParameterHigh || slot.role == Role::ParameterLow) {
            const uint16_t high =
                slot.role == Role::ParameterHigh ? address : static_cast<uint16_t>(address - 1);
            const auto value =
                static_cast<uint32_t>(At(high)) << 16 | At(static_cast<uint16_t>(high + 1));
            At(slot.partner) = static_cast<uint16_t>(value);
        } else if (slot.role == Role::Save) {
            ++saves;
        }
    }

    void Log(const std::string& line) const {
        if (options.log) {
            options.log(line);
        }
    }

    void Refuse(const uint8_t* request, int code, const std::string& what, const std::string& why) {
        modbus_reply_exception(modbus, request, static_cast<unsigned>(code));
        Log(what + " -> " + ExceptionName(code) + (why.empty() ? "" : " (" + why + ")"));
    }

    // Answers one request, as a drive would.
    void Answer(const uint8_t* request, int length) {
        const int header = modbus_get_header_length(modbus);
        const std::lock_guard<std::mutex> lock(mutex);
        ++requests;
        if (length < header + 5) {
            Refuse(request, MODBUS_EXCEPTION_ILLEGAL_FUNCTION, "a request too short", "");
            return;
        }
        const uint8_t function = request[header];
        const uint16_t address = Word(request + header + 1);
        const uint16_t second = Word(request + header + 3);
        switch (function) {
            case MODBUS_FC_READ_HOLDING_REGISTERS: {
                const std::string what = "read " + Hex(address) + " x" + std::to_string(second);
                if (second < 1 || second > MODBUS_MAX_READ_REGISTERS) {
                    Refuse(request, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE, what, "count");
                    return;
                }
                for (uint32_t k = 0; k < second; ++k) {
                    if (address + k > 0xFFFF ||
                        slots.count(static_cast<uint16_t>(address + k)) == 0) {
                        Refuse(request, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS, what,
                               Hex(static_cast<uint16_t>(address + k)) + " names nothing");
                        return;
                    }
                }
                modbus_reply(modbus, request, length, mapping);
                std::string values;
                for (uint32_t k = 0; k < second; ++k) {
                    values += " " + std::to_string(At(static_cast<uint16_t>(address + k)));
                }
                Log(what + " ->" + values);
                return;
            }
            case MODBUS_FC_WRITE_SINGLE_REGISTER:
                Write(request, length, address, {second});
                return;
            case MODBUS_FC_WRITE_MULTIPLE_REGISTERS: {
                const std::string what = "write " + Hex(address) + " x" + std::to_string(second);
                if (second < 1 || second > MODBUS_MAX_WRITE_REGISTERS ||
                    length < header + 6 + 2 * second || request[header + 5] != 2 * second) {
                    Refuse(request, MODBUS_EXCEPTION_ILLEGAL_DATA_VALUE, what, "count");
                    return;
                }
                std::vector<uint16_t> values;
                for (uint16_t k = 0; k < second; ++k) {
                    values.push_back(Word(request + header + 6 + 2 * k));
                }
                Write(request, length, address, values);
                return;
            }
            default:
                Refuse(request, MODBUS_EXCEPTION_ILLEGAL_FUNCTION,
                       "function " + std::to_string(function), "");
        }
    }

    // Takes the values at consecutive addresses, all or none.
    void Write(const uint8_t* request, int length, uint16_t address,
               const std::vector<uint16_t>& values) {
        std::string what = "write " + Hex(address) + " =";
        for (const uint16_t v : values) {
            what += " " + std::to_string(v);
        }
        std::map<uint16_t, uint16_t> written;
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (address + k > 0xFFFF) {
                Refuse(request, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS, what, "beyond 0xFFFF");
                return;
            }
            written[static_cast<uint16_t>(address + k)] = values[k];
        }
        for (const auto& [at, raw] : written) {
            const auto slot = slots.find(at);
            std::string why;
            const int refusal = slot == slots.end() ? MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS
                                                    : Refusal(slot->second, at, raw, written, why);
            if (refusal != 0) {
                Refuse(request, refusal, what,
                       slot == slots.end() ? Hex(at) + " names nothing"
                                           : slot->second.name + ": " + why);
                return;
            }
        }
        modbus_reply(modbus, request, length, mapping);
        for (const auto& [at, raw] : written) {
            Mirror(at);
        }
        Log(what + " -> taken");
    }

    // Serves until stopped: a poll over the listener and the clients over TCP, a receive with a
    // short wait on a serial line, so that a stop is seen within a fifth of a second.
    void Serve() {
        uint8_t request[MODBUS_MAX_ADU_LENGTH];
        while (!stop) {
            if (listener < 0) {
                const int length = modbus_receive(modbus, request);
                if (length > 0) {
                    Answer(request, length);
                } else if (length < 0 && errno != ETIMEDOUT) {
                    modbus_flush(modbus);
                }
                continue;
            }
            std::vector<pollfd> polled = {{listener, POLLIN, 0}};
            for (const int client : clients) {
                polled.push_back({client, POLLIN, 0});
            }
            if (poll(polled.data(), polled.size(), 200) <= 0) {
                continue;
            }
            if ((polled[0].revents & POLLIN) != 0) {
                const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (client >= 0 && clients.size() < kMaxClients) {
                    clients.push_back(client);
                } else if (client >= 0) {
                    close(client);
                }
            }
            for (std::size_t k = 1; k < polled.size(); ++k) {
                if (polled[k].revents == 0) {
                    continue;
                }
                modbus_set_socket(modbus, polled[k].fd);
                const int length = modbus_receive(modbus, request);
                if (length > 0) {
                    Answer(request, length);
                } else if (length < 0) {
                    close(polled[k].fd);
                    clients.erase(std::find(clients.begin(), clients.end(), polled[k].fd));
                }
            }
        }
    }

    static constexpr std::size_t kMaxClients = 32;
};

namespace {

// The listening socket for "[HOST:]PORT", 127.0.0.1 unless given; its place and port.
int Listen(const std::string& text, std::string& place, int& port, std::string& error) {
    std::string host = "127.0.0.1";
    std::string service = text;
    if (text.find(':') != std::string::npos || text.front() == '[') {
        SplitHostPort(text, host, service);
    }
    int number = -1;
    const auto parsed = std::from_chars(service.data(), service.data() + service.size(), number);
    if (parsed.ec != std::errc() || parsed.ptr != service.data() + service.size() || number < 0 ||
        number > 65535) {
        error = "--tcp takes [HOST:]PORT, the port from 0 (any free one) to 65535";
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int failed = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        failed != 0) {
        error = host + ": " + gai_strerror(failed);
        return -1;
    }
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, 16) != 0) {
        error = "cannot listen on " + text + ": " + std::strerror(errno);
        freeaddrinfo(found);
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size);
    char name[INET6_ADDRSTRLEN] = {};
    if (bound.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&bound);
        inet_ntop(AF_INET6, &v6->sin6_addr, name, sizeof name);
        port = ntohs(v6->sin6_port);
        place = "[" + std::string(name) + "]:" + std::to_string(port);
    } else {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&bound);
        inet_ntop(AF_INET, &v4->sin_addr, name, sizeof name);
        port = ntohs(v4->sin_port);
        place = std::string(name) + ":" + std::to_string(port);
    }
    return fd;
}

}  // namespace

DriveSimulator::DriveSimulator(std::unique_ptr<State> state) : state_(std::move(state)) {}
DriveSimulator::~DriveSimulator() = default;

std::unique_ptr<DriveSimulator> DriveSimulator::Start(const DataFile& file,
                                                      const SimulatorOptions& options,
                                                      std::string& error) {
    if (options.tcp.empty() == options.rtu.empty()) {
        error = "give --tcp [HOST:]PORT or --rtu DEVICE, one of them";
        return nullptr;
    }
    auto state = std::make_unique<State>(file, options);
    state->mapping = modbus_mapping_new_start_address(0, 0, 0, 0, 0, 0x10000, 0, 0);
    if (state->mapping == nullptr) {
        error = std::string("cannot make the registers: ") + modbus_strerror(errno);
        return nullptr;
    }
    state->Build();
    if (!options.tcp.empty()) {
        state->listener = Listen(options.tcp, state->place, state->port, error);
        if (state->listener < 0) {
            return nullptr;
        }
        // Frames and answers requests on the clients' sockets; it connects nowhere.
        state->modbus = modbus_new_tcp("127.0.0.1", 502);
    } else {
        if (options.unit < 1 || options.unit > 247 ||
            (options.parity != "N" && options.parity != "E" && options.parity != "O")) {
            error = "--unit takes 1 to 247 on a serial line, --parity N, E or O";
            return nullptr;
        }
        state->place = options.rtu;
        state->modbus = modbus_new_rtu(options.rtu.c_str(), options.baud, options.parity[0], 8, 1);
        if (state->modbus == nullptr || modbus_set_slave(state->modbus, options.unit) != 0 ||
            modbus_connect(state->modbus) != 0) {
            error = options.rtu + ": " + modbus_strerror(errno);
            return nullptr;
        }
        modbus_set_indication_timeout(state->modbus, 0, 200000);
    }
    if (state->modbus == nullptr) {
        error = std::string("cannot serve: ") + modbus_strerror(errno);
        return nullptr;
    }
    State* serving = state.get();
    state->server = std::thread([serving] { serving->Serve(); });
    return std::unique_ptr<DriveSimulator>(new DriveSimulator(std::move(state)));
}

const std::string& DriveSimulator::Place() const { return state_->place; }
int DriveSimulator::Port() const { return state_->port; }

long DriveSimulator::Requests() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->requests;
}

long DriveSimulator::Saves() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->saves;
}

std::optional<uint16_t> DriveSimulator::Register(uint16_t address) const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->slots.count(address) == 0) {
        return std::nullopt;
    }
    return state_->mapping->tab_registers[address];
}

bool DriveSimulator::Command(std::string_view line, std::string& error, bool apply) {
    const auto words = Words(line);
    if (!words || words->empty()) {
        error = words ? "give a command" : "a quotation mark is not closed";
        return false;
    }
    const std::string& verb = (*words)[0];
    const DataFile& file = state_->file;
    const TripSpec& trip = file.Trips();
    // The registers to set and their values, decided before any is set.
    std::vector<std::pair<uint16_t, uint16_t>> sets;
    const auto report = [&](int32_t address, const MsgTitle* names, int32_t count,
                            const char* what) {
        if (words->size() != 2) {
            error = std::string(what) + " takes one name or number";
            return false;
        }
        if (address <= 0 || address > 0xFFFF) {
            error = std::string("the file names no register of the current ") + what;
            return false;
        }
        const std::string& wanted = (*words)[1];
        std::optional<int64_t> number = WholeNumber(wanted);
        for (int32_t k = 0; !number && names != nullptr && k < count; ++k) {
            if (SameText(Utf8Text(names[k].Title), wanted)) {
                number = k;
            }
        }
        if (!number || *number < 0 || *number >= std::max(count, 1) || *number > 0xFFFF) {
            error = std::string("no ") + what + " is named or numbered \"" + wanted + "\"";
            return false;
        }
        sets.emplace_back(static_cast<uint16_t>(address), static_cast<uint16_t>(*number));
        return true;
    };
    if (verb == "trip") {
        if (!report(trip.FirstTripAddr, trip.TripNames, trip.TripCount, "trip")) {
            return false;
        }
    } else if (verb == "warning") {
        if (!report(trip.FirstWarnAddr, trip.WarnNames, trip.WarnCount, "warning")) {
            return false;
        }
    } else if (verb == "clear" && words->size() == 1) {
        for (const int32_t address : {trip.FirstTripAddr, trip.FirstWarnAddr}) {
            if (address > 0 && address <= 0xFFFF) {
                sets.emplace_back(static_cast<uint16_t>(address), 0);
            }
        }
    } else if (verb == "set" && words->size() == 3) {
        const std::string& name = (*words)[1];
        std::string why;
        if (name.find('/') != std::string::npos) {
            const auto parameter = FindParameter(file, name, why);
            const auto value =
                parameter ? ParseValue(file, *parameter->param, (*words)[2], why) : std::nullopt;
            if (!value) {
                error = why;
                return false;
            }
            if (!WithinLimits(file, *parameter->param, *value)) {
                error = name + ": " + (*words)[2] + " is " + LimitsNote(file, *parameter->param);
                return false;
            }
            sets = state_->ParameterRegisters(parameter->address, *value);
        } else {
            for (const auto& [values, count] :
                 {std::pair(trip.TripStatusInfoData, trip.TripStatusInfoCount),
                  {trip.WarnStatusInfoData, trip.WarnStatusInfoCount}}) {
                for (int32_t k = 0; values != nullptr && k < count; ++k) {
                    if (!SameText(CodePageText(values[k].Title), name) || values[k].CommAddr <= 0 ||
                        values[k].CommAddr > 0xFFFF) {
                        continue;
                    }
                    ParamInfo shown{};
                    shown.Point32 = values[k].Point16;
                    shown.Min = -32768;
                    shown.Max = 65535;
                    const auto value = ParseValue(file, shown, (*words)[2], why);
                    const auto raw = value ? RegisterOf(*value) : std::nullopt;
                    if (!raw) {
                        error = name + ": " + (value ? "beyond a register" : why);
                        return false;
                    }
                    sets.emplace_back(static_cast<uint16_t>(values[k].CommAddr), *raw);
                }
            }
            if (sets.empty()) {
                error =
                    "no parameter GROUP/CODE or value shown with a trip or warning is named \"" +
                    name + "\"";
                return false;
            }
        }
    } else if (verb == "register" && words->size() == 3) {
        const auto address = WholeNumber((*words)[1]);
        const auto value = WholeNumber((*words)[2]);
        if (!address || *address < 0 || *address > 0xFFFF ||
            state_->slots.count(static_cast<uint16_t>(*address)) == 0) {
            error = "the file names no register " + (*words)[1];
            return false;
        }
        if (!value || *value < -32768 || *value > 65535) {
            error = "a register holds -32768 to 65535, not " + (*words)[2];
            return false;
        }
        sets.emplace_back(static_cast<uint16_t>(*address), static_cast<uint16_t>(*value));
    } else {
        error = "unknown command \"" + std::string(line) +
                "\": give trip, warning, clear, set or register";
        return false;
    }
    if (apply) {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        for (const auto& [address, value] : sets) {
            state_->At(address) = value;
        }
    }
    return true;
}

}  // namespace vqdf::api
