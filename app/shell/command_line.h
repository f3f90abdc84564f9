#pragma once

#include <QString>
#include <QStringList>

#include <variant>

// The `mountwire` executable given arguments: a client of the running application on the session bus, for
// a terminal or a script. It never opens a window, so it works without a display.
namespace CommandLine {

enum Exit { done = 0, failed = 1, usage = 2, notRunning = 3 };

struct Command {
    enum class Verb { status, connect, eject, routes, route, log, show, version, help };
    Verb verb = Verb::help;
    QString name; // the line of connect and eject, the route of route
    bool json = false;
    bool force = false;
    int limit = 20;
    friend bool operator==(const Command&, const Command&) = default;
};

// Whether the arguments ask for the command line rather than the application; Qt's own options (one dash,
// such as "-platform" or a session manager's "-session") still start the application.
bool wanted(int argc, char** argv);

// What the arguments (without the program's name) ask for, or what is wrong with them in one sentence.
std::variant<Command, QString> parse(const QStringList& arguments);
QString help();

// Parses, calls the application and prints; returns the exit status.
int run(int argc, char** argv, const QString& version);

} // namespace CommandLine
