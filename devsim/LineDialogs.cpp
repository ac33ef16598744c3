#include "devsim/LineDialogs.h"

#include <cstdlib>

namespace devsim {

namespace {
constexpr char ETXc = 0x03;
constexpr std::size_t kMostLine = 200;

bool IsNumber(const std::string &s) {
    if (s.empty()) return false;
    char *end = nullptr;
    std::strtod(s.c_str(), &end);
    return end && *end == '\0';
}

std::string Trim(const std::string &s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

const char *const kEntryNames[] = {"Status", "Channels", "Modem", "Headquarters"};
const char *const kPages[][2] = {
    {"Status: no events", "Clock: running"},
    {"Channel 1: end device switched through on request", "Channels 2-4: none"},
    {"Modem: 09600 E81", "Rings: 2"},
    {"Headquarters 1: 0123456789", "Headquarters 2-4: none"},
};
const char kClearHome[] = "\x1b[2J\x1b[H";
const char kReverse[] = "\x1b[7m";
const char kNormal[] = "\x1b[0m";
} // namespace

NxCommandLines::NxCommandLines()
    : registers_{{"0100", "12345678"}, {"0200", "1.01325"}, {"0310", "15.0"}, {"0400", "00001234"}} {}

std::string NxCommandLines::Feed(uint8_t byte) {
    if (byte == 0x17) {
        line_.clear();
        return {};
    }
    if (byte != '\r') {
        if (line_.size() < kMostLine) line_ += static_cast<char>(byte);
        return {};
    }
    std::string answer = Execute(line_) + ETXc;
    line_.clear();
    return answer;
}

std::string NxCommandLines::Execute(const std::string &line) {
    std::string shown = line;
    for (char &c : shown)
        if (c == 0x01) c = ' ';
    if (line.find("ERR") != std::string::npos) return shown + " -04-";
    const std::string head = line.substr(0, line.find('\x01'));
    if (head.size() >= 2 && (head[0] == 'R' || head[0] == 'W') && head[1] == ' ') {
        const std::string reg = Trim(head.substr(2));
        auto it = registers_.find(reg);
        if (it == registers_.end()) return shown + " -05-";
        if (head[0] == 'R') return shown + " " + it->second + " -00-";
        const std::size_t sep = line.find('\x01');
        const std::string value = sep == std::string::npos ? std::string() : Trim(line.substr(sep + 1));
        if (!IsNumber(value)) return shown + " -06-";
        it->second = value;
    }
    return shown + " -00-";
}

std::string ModuleMenu::Key(uint8_t key) {
    switch (key) {
    case 27: page_ = -1; return DrawMenu();
    case 1:
    case 2:
        if (page_ >= 0) return {};
        selected_ = (selected_ + (key == 1 ? kEntries - 1 : 1)) % kEntries;
        return DrawMenu();
    case 4:
    case '\r':
        if (page_ >= 0) return {};
        page_ = selected_;
        return DrawPage();
    case 3:
        if (page_ < 0) return {};
        page_ = -1;
        return DrawMenu();
    default: break;
    }
    if (key >= '1' && key <= '4') {
        selected_ = page_ = key - '1';
        return DrawPage();
    }
    return key >= 32 && key < 127 ? std::string(1, static_cast<char>(key)) : std::string();
}

// Title in reverse video, one line per entry (the selected one in reverse video), a help line; the
// cursor ends at the start of the selected line.
std::string ModuleMenu::DrawMenu() const {
    std::string s = std::string(kClearHome) + kReverse + "CLM-300 Menu" + kNormal + "\r\n\r\n";
    for (int i = 0; i < kEntries; ++i) {
        const std::string entry = std::to_string(i + 1) + " " + kEntryNames[i];
        s += i == selected_ ? std::string(kReverse) + "> " + entry + kNormal : "  " + entry;
        s += "\r\n";
    }
    s += "\r\nUp/Down: select  Right: open  ESC: menu\r\n";
    s += "\x1b[" + std::to_string(3 + selected_) + ";0H";
    return s;
}

std::string ModuleMenu::DrawPage() const {
    std::string s = std::string(kClearHome) + kReverse + kEntryNames[page_] + kNormal + "\r\n\r\n";
    for (const char *line : kPages[page_]) s += std::string(line) + "\r\n";
    return s + "\r\nLeft/ESC: back\r\n";
}

} // namespace devsim
