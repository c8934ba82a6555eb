// What the host asks of the screen framework: the application object, the
// script driver and its transcript, the terminal driver and the menu.
#pragma once

#include <string>
#include <vector>

namespace host {

struct MenuEntry {
    int number;
    std::string title;
    bool available = true; // false: listed, marked and answered "not available"
};

// Fills the application object that the libraries read at sign-in.
void SetApplication(const std::string& user, const std::string& password,
                    const std::string& parameters, const std::string& station,
                    const std::string& company);

// Largest script file taken.
constexpr long long kScriptLimit = 16LL * 1024 * 1024;
// Largest line number a "pick" event may name.
constexpr long kPickLimit = 32767;

// Headless: the script driver with the events of the file (or none).
// False with a one-line reason when the file cannot be used: it cannot be
// read, is a folder, a device, a pipe or larger than kScriptLimit, holds a
// NUL byte, or has a line that is not an event (named by its number).
bool UseScript(const std::string& path, std::string& error);
// Events of the script not taken yet.
int ScriptEventsLeft();

// The text with control characters written as escapes (\n, \t, \xNN), for
// one-line messages.
std::string Printable(const std::string& text);
// What the screens showed so far.
std::string Transcript();
void ClearTranscript();

// A terminal is attached: the terminal driver runs the screens.
bool TerminalAttached();
// False with one line saying why when the terminal cannot run the screens
// (unknown or without cursor addressing, smaller than 80 x 24).
bool UseTerminal(std::string& why);
// The host starts for the first time: no company is known yet.
void MarkFirstRun();
// Shows the menu with the command chosen last highlighted; the chosen
// command number, or 0 to leave. A command this build lacks is answered
// in words and the menu stays.
int ChooseCommand(const std::vector<MenuEntry>& entries, const std::string& heading);
// A line of text for the person at the terminal.
void Notice(const std::string& text);
void EndTerminal();

} // namespace host
