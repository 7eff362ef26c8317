#pragma once
// The thermometer in software. It answers every command of the meter's command table, keeps
// a display, a logger memory, settings, a clock and EEPROM cells of its own, and lets a test
// make any call fail, lose or spoil replies, stall, unplug, or take time. Every call is
// logged with its bytes.
//
// Time comes only from the injected clock: readings move with tickMs(), the logger records
// at its interval as the clock advances, and the meter's clock runs as an offset from now().
#include "meter/Clock.h"
#include "meter/DeviceAccess.h"
#include "sim/SimLoggerMemory.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

class SimulatedMeter final : public DeviceAccess {
public:
    enum class Call { Open, SetTimeouts, WriteCommand, WriteData, CompleteWrite, ReadReply, Close, ReadSerial };
    struct LogEntry {
        Call call;
        // What was written; for ReadReply what was read; for ReadSerial the serial text.
        std::vector<std::uint8_t> bytes;
        int result;
        qint64 atMs; // clock tick when the call began
    };
    // Returns non-zero to make the call fail with that value. `bytes` is what is being
    // written, or for ReadReply the reply waiting to be read (null when none).
    using FaultHook = std::function<int(Call call, const std::uint8_t *bytes, int length)>;
    // Sees every reply before it is sent; may change it. An emptied reply is not sent.
    using ReplyHook = std::function<void(char command, std::vector<std::uint8_t> &reply)>;

    // Results besides 0.
    static constexpr int kFailed = -1;      // an injected failure (failNext)
    static constexpr int kTimedOut = -2;    // nothing to read within the read time-out
    static constexpr int kNotOpen = -3;
    static constexpr int kNoDevice = -4;    // unplugged, or not our vendor and product id
    static constexpr int kBadArgument = -5; // a length or pointer the call cannot take

    static constexpr int kMaxReplySize = 64;
    static constexpr int kFrameSize = 64; // the live status frame
    static constexpr int kManualPlaces = 99; // readings the MEM key can store
    static constexpr int kSampleMs = 500;    // the meter measures twice a second

    enum class MaxMinAvg { Off, Flash, Max, Min, Avg };

    struct Interval {
        int minutes = 0;
        int seconds = 2;
        int totalSeconds() const { return minutes * 60 + seconds; }
        // What the meter takes: each field 0 to 60, not both 0.
        bool valid() const
        {
            return minutes >= 0 && minutes <= 60 && seconds >= 0 && seconds <= 60 && totalSeconds() > 0;
        }
    };

    // The settings the information command reports and the settings command writes.
    struct Settings {
        bool alarm = false;
        std::int16_t alarmHigh = 212; // compared with the readings in the unit shown
        std::int16_t alarmLow = -4;
        Interval interval;
        std::uint8_t byte15 = 0x14; // carried as it is written
        int type = 0;               // 0 K, 1 J, 2 E, 3 T
        bool t1MinusT2 = false;
        std::array<std::int8_t, 4> offsets{}; // tenths, also written into new data set headers
        int powerOff = 2; // 0 off, 1 10 min, 2 30 min, 3 1 h, 4 2 h, 5 4 h, 6 8 h
    };

    // Gain, EXT offset and CJC offset of T1 to T4.
    struct Calibration {
        std::array<float, 4> gain{};
        std::array<float, 4> extOffset{};
        std::array<float, 4> cjcOffset{};
    };

    explicit SimulatedMeter(Clock &clock);

    // DeviceAccess. A command's reply waits until it is read or the next command comes; a read
    // with nothing to read blocks for the read time-out, as the USB read does.
    int openDevice(std::uint16_t vendorId, std::uint16_t productId) override;
    int setTimeouts(int readMs, int writeMs) override;
    int writeCommand(int length, const std::uint8_t *bytes) override;
    int writeData(int length, const std::uint8_t *bytes) override;
    int completeWrite() override;
    int readReply(int length, std::uint8_t *buffer) override;
    int closeDevice() override;
    int readSerialNumber(int index, char *buffer, int size) override;

    // Readings; channel 0 to 3 is T1 to T4, other channels are ignored.
    void setReading(int channel, double celsius); // pins the channel at this value
    void setOverRange(int channel, bool on);
    void setOpen(int channel, bool on); // no thermocouple: "----"
    // On: every channel moves by itself again. Off: every channel stays where it is now.
    void setAutoReadings(bool on);
    double reading(int channel) const; // the measured value in °C, whatever the display shows
    bool channelOverRange(int channel) const;
    bool channelOpen(int channel) const;

    // Display and keys.
    bool fahrenheit() const { return m_fahrenheit; }
    void setFahrenheit(bool on) { m_fahrenheit = on; }
    bool hold() const { return m_held.has_value(); }
    MaxMinAvg maxMinAvg() const { return m_maxMinAvg; }
    bool backlight() const { return m_backlight; }
    int storedPlaces() const { return int(m_places.size()); }
    int recallPlace() const { return m_recallPlace; } // 0 when not recalling
    int batteryLevel() const { return m_battery; }
    void setBatteryLevel(int bars); // 0 to 3
    // What an 'A' would answer now.
    std::array<std::uint8_t, kFrameSize> liveFrame() const;

    // Logger.
    bool loggerRecording() const;
    bool recordFull() const;
    const std::vector<std::uint8_t> &memoryImage() const;
    // Replaces the memory (padded with erased bytes or cut to 128 KiB); stops a recording.
    void setMemoryImage(std::vector<std::uint8_t> image);
    static std::vector<std::uint8_t> buildMemoryImage(const std::vector<sim::DataSet> &sets);
    // The download read-out: active from 'P' until 'q' or 'Q'.
    bool readoutActive() const { return m_readout; }
    int blockPosition() const { return m_position; } // the block the next 'p' returns

    // Settings, clock, identity, calibration, EEPROM.
    const Settings &settings() const { return m_settings; }
    void setSettings(const Settings &settings);
    int intervalSeconds() const { return m_settings.interval.totalSeconds(); }
    QDateTime meterTime() const;
    void setMeterTime(const QDateTime &time);
    const Calibration &calibration() const { return m_calibration; }
    void setCalibration(const Calibration &calibration) { m_calibration = calibration; }
    std::uint8_t eepromCell(std::uint32_t address) const; // 0xFF where never written
    void setEepromCell(std::uint32_t address, std::uint8_t value);
    const std::map<std::uint32_t, std::uint8_t> &eepromCells() const { return m_eeprom; }
    void setModelDigits(std::string_view digits); // identity bytes 23 to 25, "736"
    void setSerialNumber(std::string serial) { m_serial = std::move(serial); }
    void setFirmwareVersion(int hundredths) { m_firmware = std::uint8_t(hundredths); }

    // The link and its faults.
    bool isOpen() const { return m_deviceOpen; }
    // Handles the host holds: every successful open takes a new one, as a HID library
    // that opens the device anew would, and a close gives back the latest. Above 0 after
    // an exchange that should have closed, handles have been left behind.
    int openHandles() const { return m_openHandles; }
    int readTimeoutMs() const { return m_readTimeoutMs; }
    int writeTimeoutMs() const { return m_writeTimeoutMs; }
    bool hasPendingReply() const { return m_pending.has_value(); }
    void failNext(Call call, int count = 1);
    void setFaultHook(FaultHook hook) { m_faultHook = std::move(hook); }
    // Unplugged, every call fails; the meter keeps its state for the replug, but the
    // device has to be opened again.
    void setUnplugged(bool on);
    bool unplugged() const { return m_unplugged; }
    // Stalled, the meter takes commands but does nothing with them, and reads time out.
    void setStalled(bool on) { m_stalled = on; }
    // Each write and each read that reaches the meter blocks this long.
    void setLatencyPerReport(int ms) { m_latencyMs = ms < 0 ? 0 : ms; }
    void setReplyHook(ReplyHook hook) { m_replyHook = std::move(hook); }
    const std::deque<LogEntry> &log() const { return m_log; }
    void clearLog() { m_log.clear(); }
    // The log keeps the latest entries only (a demo can run for hours).
    void setLogCapacity(std::size_t entries);

private:
    struct Channel {
        double celsius = 0.0;
        bool overRange = false;
        bool open = false;
    };
    using Channels = std::array<Channel, 4>;
    struct Stats {
        int count = 0;
        double sum = 0.0;
        double max = 0.0;
        double min = 0.0;
    };
    using Reply = std::vector<std::uint8_t>;

    // Call plumbing: what every call goes through before and after its own work.
    int begin(Call call, const std::uint8_t *bytes, int length);
    int end(Call call, std::vector<std::uint8_t> bytes, int result);

    // Time: measurements, MAX/MIN/AVG and the logger catch up with the clock.
    void update() const;
    void accumulateStats(qint64 now) const;
    void appendDueRecords(qint64 now) const;
    Channels measuredAt(qint64 tick) const;
    Channels shownUnheld() const;
    Channels shown() const;
    void resetStats();
    void startRecording();
    void stopRecording();

    // Commands.
    void execute(const std::uint8_t *report);
    Reply dispatch(const std::uint8_t *report);
    Reply identity() const;
    Reply keyPress(char key);
    Reply selectBlock(int number);
    Reply nextBlock();
    Reply repeatBlock();
    Reply endReadout();
    Reply setInterval(std::uint8_t minutesBcd, std::uint8_t secondsBcd);
    Reply erase();
    Reply information() const;
    Reply calibrationFirst() const;
    Reply calibrationSecond() const;
    Reply writeEeprom(const std::uint8_t *report);
    Reply readEeprom(const std::uint8_t *report) const;
    Reply setClock(const std::uint8_t *block);
    Reply applySettings(const std::uint8_t *block);
    Reply blockReply(int block, int echo) const;
    void post(char command, Reply reply);

    Clock &m_clock;

    // Link.
    bool m_deviceOpen = false;
    int m_openHandles = 0;
    bool m_unplugged = false;
    bool m_stalled = false;
    int m_readTimeoutMs = 100;
    int m_writeTimeoutMs = 100;
    int m_latencyMs = 0;
    qint64 m_callStartMs = 0;
    std::optional<Reply> m_pending;
    char m_awaitingData = 0; // 't' or 's' after its command report
    std::array<int, std::size_t(Call::ReadSerial) + 1> m_failNext{};
    FaultHook m_faultHook;
    ReplyHook m_replyHook;
    std::deque<LogEntry> m_log;
    std::size_t m_logCapacity = 100000;

    // Measurements.
    std::array<std::optional<double>, 4> m_pinned;
    std::array<bool, 4> m_overRange{};
    std::array<bool, 4> m_noReading{};

    // Display.
    bool m_fahrenheit = false;
    std::optional<Channels> m_held;
    MaxMinAvg m_maxMinAvg = MaxMinAvg::Off;
    bool m_backlight = false;
    std::vector<Channels> m_places;
    int m_recallPlace = 0;
    int m_battery = 3;

    // Caught up lazily with the clock, also from const accessors.
    mutable std::array<Stats, 4> m_stats{};
    mutable qint64 m_statsUntil = 0;
    mutable sim::LoggerMemory m_memory;
    mutable bool m_full = false;
    mutable qint64 m_nextRecordTick = 0;
    bool m_recording = false;
    bool m_recordFahrenheit = false;
    qint64 m_recordIntervalMs = 2000;

    // Download read-out.
    bool m_readout = false;
    int m_position = 0;
    int m_lastServed = 0;

    // Settings and the rest.
    Settings m_settings;
    qint64 m_clockOffsetMs = 0;
    Calibration m_calibration;
    std::map<std::uint32_t, std::uint8_t> m_eeprom;
    std::array<char, 3> m_model = {'7', '3', '6'};
    std::string m_serial = "QX7360001";
    std::uint8_t m_firmware = 105;
};

} // namespace qx
