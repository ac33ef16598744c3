#pragma once
// The CLM-300 communication module: its fifteen text items "a" to "o" in their fixed record layouts,
// the upper-case write commands, the headquarter login and the module access code. Write "N" with a
// channel digit switches the line through to the end device behind it.
#include "devsim/DeviceModel.h"

#include <array>
#include <ctime>
#include <map>
#include <string>

namespace devsim {

struct ModuleOptions {
    std::array<std::string, 4> hqPasswords{"PASSWORD", "PASSWORD", "PASSWORD", "PASSWORD"};  // 8 characters
    std::string accessCode = "CLM30000";  // module access code, item K
    // Identification (type code x 100 + version) of the end device on each channel; 0: none.
    std::array<int, 4> channelIdents{2461, 0, 0, 0};
    Refusals refused;
};

class ModuleModel {
public:
    ModuleModel(const ModuleOptions &o, int ident, std::time_t now);
    Reply Read(uint8_t item, std::time_t now);
    Reply Write(uint8_t item, const std::string &value, std::time_t now);
    void SignOn() { signedOn_ = true; }
    void SignOff() { signedOn_ = false; hq_ = 0; access_ = false; }
    // Channel (1..4) switched through by write "N", 0 while the module itself answers.
    int PassThrough() const { return passThrough_; }
    void EndPassThrough() { passThrough_ = 0; }
    std::map<uint8_t, std::string> &Items() { return items_; }
    // What the module keeps besides its items (saved in the state file): "hq1".."hq4" the headquarters
    // passwords, "accessCode", "rtcCorrection" (last "M"), "faxMessages" and "faxTests" (four
    // three-digit counters per receiver: messages sent since the last "T", test calls made with "R").
    std::map<std::string, std::string> &Extra() { return extra_; }

private:
    Reply WriteRecord(uint8_t readKey, std::size_t recordLength, const std::string &value);
    Reply WriteChannel(const std::string &value);
    Reply ResetEvents(const std::string &value);
    Reply CountPerReceiver(const char *key, const std::string &value, bool reset);
    Reply WriteLogin(uint8_t item, const std::string &value);
    Reply WriteSetting(uint8_t item, const std::string &value, std::time_t now);
    ModuleOptions o_;
    std::map<uint8_t, std::string> items_;
    std::map<std::string, std::string> extra_;
    int64_t clockOffset_ = 0;
    bool signedOn_ = false;
    int hq_ = 0;          // headquarters logged in with "A" (1..4), 0 for none
    bool access_ = false; // module access code given with "K"
    int passThrough_ = 0;
};

// `text` cut to `width` or padded with blanks.
std::string Pad(const std::string &text, std::size_t width);

} // namespace devsim
