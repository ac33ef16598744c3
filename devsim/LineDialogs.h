#pragma once
// Raw text dialogues outside the protocol frames:
//  - NxCommandLines: the command lines of an NX-17S (type code 95) as command scripts send them.
//    Bytes collect into a line; CR executes it and the answer (text closed by ETX) goes back; 01h
//    separates a command from its value ("W 0310" 01h "15.5" CR) and is not answered; 17h drops the
//    line. Commands: "R <reg>" reads a register, "W <reg>" 01h "<value>" writes one; any other line is
//    echoed. Answers are the line (01h shown as a blank) followed by " -00-", or an error marker:
//    "-04-" for a line holding "ERR", "-05-" for an unknown register, "-06-" for a value that is not a
//    number.
//  - ModuleMenu: the menu a local CLM-300 draws for a terminal with ANSI sequences (clear screen,
//    cursor positioning, reverse video). ESC draws the menu; the arrow codes Up 01h and Down 02h move
//    the selection, Right 04h or CR opens the selected page, Left 03h goes back; the keys 1 to 4 open a
//    page directly; other printable keys are echoed.
#include <cstdint>
#include <map>
#include <string>

namespace devsim {

class NxCommandLines {
public:
    NxCommandLines();
    // One byte of the line; returns the answer to send (empty: none).
    std::string Feed(uint8_t byte);
    void Drop() { line_.clear(); }
    const std::map<std::string, std::string> &Registers() const { return registers_; }

private:
    std::string Execute(const std::string &line);
    std::string line_;
    std::map<std::string, std::string> registers_;
};

class ModuleMenu {
public:
    static constexpr int kEntries = 4;
    // The terminal output for one key.
    std::string Key(uint8_t key);
    int Selected() const { return selected_; }
    int Page() const { return page_; }  // -1: the menu

private:
    std::string DrawMenu() const;
    std::string DrawPage() const;
    int selected_ = 0;
    int page_ = -1;
};

} // namespace devsim
