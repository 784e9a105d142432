// Serial ports by number on Qt SerialPort. The port object lives on the thread that
// opened it, so its arrivals are read and its callback is called there while that thread
// processes its events. Pseudo-terminals stand in for the console in tests and in the
// simulator; they have no modem lines, so line and handshake requests they refuse are
// not failures. A device that goes away while open (adapter pulled, pty master closed)
// is closed at once, because Qt would otherwise report the dead descriptor on every pass
// of the event loop; every later call then fails with kComErrIO until CloseCom.
#include "platform/serial.h"
#include "platform/thread_context.h"

#include <QSerialPort>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMaxPortNumber = 999;

struct ComPort {
    QSerialPort *port = nullptr;
    unsigned owner = 0;  // thread id of the opening thread
    bool pty = false;
    bool failed = false;
    bool in_callback = false;
    int event_mask = 0;
    ComCallbackPtr callback = nullptr;
    void *callback_data = nullptr;
};

std::mutex ports_mutex;
std::map<int, std::shared_ptr<ComPort>> ports;  // guarded by ports_mutex

// The port for a call from this thread, or the negative code why not. A port whose
// opening thread has ended may be closed by anyone: nothing else can touch it any more.
std::shared_ptr<ComPort> Find(int port, int *error) {
    std::lock_guard lock(ports_mutex);
    const auto it = ports.find(port);
    if (it == ports.end()) {
        *error = kComErrNotOpen;
        return nullptr;
    }
    if (it->second->owner != CurrentThreadID() && ThreadAlive(it->second->owner)) {
        *error = kComErrThread;
        return nullptr;
    }
    *error = 0;
    return it->second;
}

// The port, usable for line traffic: open and not failed.
std::shared_ptr<ComPort> FindLive(int port, int *error) {
    std::shared_ptr<ComPort> p = Find(port, error);
    if (p != nullptr && (p->failed || !p->port->isOpen())) {
        *error = kComErrIO;
        return nullptr;
    }
    return p;
}

// Port n is reached through the link "COMn" in the working folder, or without one on
// the n-th serial device.
struct PortNames {
    char link[32];
    char fallback[32];
};

PortNames NamesOf(int port) {
    PortNames n{};
    snprintf(n.link, sizeof n.link, "COM%d", port);
    snprintf(n.fallback, sizeof n.fallback, "/dev/ttyS%d", port - 1);
    return n;
}

std::string ResolveDevice(int port) {
    const PortNames names = NamesOf(port);
    const char *link = names.link;
    struct stat st {};
    if (lstat(link, &st) != 0) return names.fallback;
    char resolved[PATH_MAX];
    if (realpath(link, resolved) != nullptr) return resolved;
    // A link whose target is gone still names that target (and then fails to open),
    // rather than silently falling back to another device.
    char target[PATH_MAX];
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0) return link;
    target[n] = '\0';
    if (target[0] == '/') return target;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return target;
    return std::string(cwd) + "/" + target;
}

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool IsPseudoTerminal(const std::string &path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

void OnArrival(int port) {
    std::shared_ptr<ComPort> p;
    {
        std::lock_guard lock(ports_mutex);
        const auto it = ports.find(port);
        if (it == ports.end()) return;
        p = it->second;
    }
    if (p->failed || p->callback == nullptr || (p->event_mask & LWRS_RXFLAG) == 0) return;
    if (p->port->bytesAvailable() <= 0) return;
    p->in_callback = true;
    p->callback(port, LWRS_RXFLAG, p->callback_data);
    p->in_callback = false;
}

void OnError(const std::shared_ptr<ComPort> &p, QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    if (p->failed) return;
    p->failed = true;
    // Closed on the next pass of the event loop: Qt is still inside its notifier here.
    QSerialPort *sp = p->port;
    QMetaObject::invokeMethod(sp, [sp] { sp->close(); }, Qt::QueuedConnection);
}

bool ApplySettings(QSerialPort *sp, long baud, int parity, int data_bits, int stop_bits) {
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    if (baud <= 0 || baud > INT_MAX || parity < 0 || parity > 4) return false;
    if (data_bits < 5 || data_bits > 8 || (stop_bits != 1 && stop_bits != 2)) return false;
    return sp->setBaudRate(static_cast<qint32>(baud)) &&
           sp->setParity(parities[parity]) &&
           sp->setDataBits(static_cast<QSerialPort::DataBits>(data_bits)) &&
           sp->setStopBits(stop_bits == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop) &&
           sp->setFlowControl(QSerialPort::NoFlowControl);
}

// Closes and deletes the Qt port; from inside its own receive callback the object is
// only closed now and deleted once Qt has left its signal.
void Dispose(const std::shared_ptr<ComPort> &p) {
    QSerialPort *sp = p->port;
    QObject::disconnect(sp, nullptr, nullptr, nullptr);
    if (sp->isOpen()) sp->close();
    if (p->in_callback)
        sp->deleteLater();
    else
        delete sp;
    p->port = nullptr;
}

// Why a device could not be opened, told apart by what the user can do about it: plug
// it in (it will be picked up then), or get the right to use it.
int OpenFailure(const std::string &path) {
    if (access(path.c_str(), F_OK) != 0) return kComErrNoDevice;
    if (access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) return kComErrAccess;
    return kComErrOpen;
}

// A line or handshake request: a pseudo-terminal refusing it is not an error.
int LineResult(const std::shared_ptr<ComPort> &p, bool ok) {
    if (ok) return 0;
    p->port->clearError();
    return p->pty ? 0 : kComErrSettings;
}

}  // namespace

int OpenComConfig(int port, const char *device_name, long baud, int parity, int data_bits,
                  int stop_bits, int in_queue_size, int out_queue_size) {
    (void)in_queue_size;  // Qt's buffers grow as needed
    (void)out_queue_size;
    if (port < 1 || port > kMaxPortNumber) return kComErrPortNumber;
    int error = 0;
    if (Find(port, &error) != nullptr) {
        CloseCom(port);  // reopening replaces the old settings
    } else if (error == kComErrThread) {
        return kComErrOpen;  // open on another, still running thread
    }
    const std::string path =
        device_name != nullptr && device_name[0] != '\0' ? device_name : ResolveDevice(port);
    auto p = std::make_shared<ComPort>();
    p->port = new QSerialPort;
    p->port->setPortName(QString::fromStdString(path));
    p->owner = CurrentThreadID();
    p->pty = IsPseudoTerminal(path);
    if (!p->port->open(QIODevice::ReadWrite)) {
        delete p->port;
        return OpenFailure(path);
    }
    if (!ApplySettings(p->port, baud, parity, data_bits, stop_bits)) {
        p->port->close();
        delete p->port;
        return kComErrSettings;
    }
    QObject::connect(p->port, &QSerialPort::readyRead, p->port, [port] { OnArrival(port); });
    std::weak_ptr<ComPort> weak = p;
    QObject::connect(p->port, &QSerialPort::errorOccurred, p->port,
                     [weak](QSerialPort::SerialPortError e) {
                         if (auto alive = weak.lock()) OnError(alive, e);
                     });
    std::lock_guard lock(ports_mutex);
    ports[port] = p;
    return 0;
}

int CloseCom(int port) {
    int error = 0;
    const std::shared_ptr<ComPort> p = Find(port, &error);
    if (p == nullptr) return error;
    {
        std::lock_guard lock(ports_mutex);
        ports.erase(port);
    }
    Dispose(p);
    return 0;
}

int SetCTSMode(int port, int mode) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    return LineResult(p, p->port->setFlowControl(mode == 0 ? QSerialPort::NoFlowControl
                                                           : QSerialPort::HardwareControl));
}

int ComSetEscape(int port, int code) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    switch (code) {
    case SETRTS: return LineResult(p, p->port->setRequestToSend(true));
    case CLRRTS: return LineResult(p, p->port->setRequestToSend(false));
    case SETDTR: return LineResult(p, p->port->setDataTerminalReady(true));
    case CLRDTR: return LineResult(p, p->port->setDataTerminalReady(false));
    default: return kComErrSettings;  // XON/XOFF are not offered
    }
}

int ComWrtByte(int port, int byte) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    const char c = static_cast<char>(byte & 0xFF);
    // Straight to the device when Qt holds nothing back. Qt's own path hands the byte
    // over just as soon but then waits for the device to report room, which wakes the
    // thread once more for every byte sent. Anything else (no room, an error) goes Qt's
    // way, so that Qt reports a failing device as it does for every other write.
    if (p->port->bytesToWrite() == 0 && ::write(p->port->handle(), &c, 1) == 1)
        return byte & 0xFF;
    if (p->port->write(&c, 1) != 1) return kComErrIO;
    // Hands the byte to the device now, without blocking, instead of on the next pass of
    // the event loop: the echo time-out runs from this moment.
    p->port->flush();
    if (p->failed) return kComErrIO;
    return byte & 0xFF;
}

int ComRdByte(int port) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    char c = 0;
    if (!p->port->getChar(&c)) return kComErrEmpty;
    return static_cast<unsigned char>(c);
}

int GetInQLen(int port) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    return static_cast<int>(p->port->bytesAvailable());
}

int ComAwaitBytes(int port, int n) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    int in_driver = 0;
    if (ioctl(p->port->handle(), FIONREAD, &in_driver) != 0) in_driver = 0;
    const long missing = n - p->port->bytesAvailable() - in_driver;
    const int baud = p->port->baudRate();
    if (missing <= 0 || baud <= 0) return 0;
    const int bits = 1 + p->port->dataBits() + (p->port->parity() == QSerialPort::NoParity ? 0 : 1) +
                     (p->port->stopBits() == QSerialPort::OneStop ? 1 : 2);
    // Half a byte short of the last one's time: the last byte then wakes the thread as it
    // comes. Sleeping past it would add the sleep's own lateness to every block.
    constexpr double kLongestSleep = 0.1;
    const double bytes = static_cast<double>(missing) - 0.5;
    const double seconds = std::min(kLongestSleep, bytes * bits / baud);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return 0;
}

int FlushInQ(int port) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    // Qt's buffer and the driver's queue alike.
    return p->port->clear(QSerialPort::Input) ? 0 : kComErrIO;
}

int FlushOutQ(int port) {
    int error = 0;
    const std::shared_ptr<ComPort> p = FindLive(port, &error);
    if (p == nullptr) return error;
    return p->port->clear(QSerialPort::Output) ? 0 : kComErrIO;
}

int InstallComCallback(int port, int event_mask, int notify_count, int event_char,
                       ComCallbackPtr callback, void *callback_data) {
    (void)notify_count;  // every arrival is reported
    (void)event_char;
    int error = 0;
    const std::shared_ptr<ComPort> p = Find(port, &error);
    if (p == nullptr) return error;
    if (event_mask == 0 || callback == nullptr) {
        p->event_mask = 0;
        p->callback = nullptr;
        p->callback_data = nullptr;
        return 0;
    }
    p->event_mask = event_mask;
    p->callback = callback;
    p->callback_data = callback_data;
    return 0;
}

const char *ComPortDevice(int port, char *buffer, int size) {
    if (buffer == nullptr || size <= 0) return buffer;
    snprintf(buffer, static_cast<size_t>(size), "%s", ResolveDevice(port).c_str());
    return buffer;
}

unsigned long long ComPortDeviceNumber(int port) {
    const PortNames names = NamesOf(port);
    struct stat st {};
    if (stat(names.link, &st) == 0) return S_ISCHR(st.st_mode) ? st.st_rdev : 0;
    if (lstat(names.link, &st) == 0) return 0;  // a link to nothing
    return stat(names.fallback, &st) == 0 && S_ISCHR(st.st_mode) ? st.st_rdev : 0;
}
