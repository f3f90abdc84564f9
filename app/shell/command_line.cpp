#include "shell/command_line.h"

#include "shell/command_output.h"
#include "shell/dbus_interface.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>

#include <cstdio>
#include <optional>

namespace CommandLine {

namespace {

using Verb = Command::Verb;

const struct {
    const char* word;
    Verb verb;
    bool takesName;
} verbs[] = {
    {"status", Verb::status, false},
    {"connect", Verb::connect, true},
    {"eject", Verb::eject, true},
    {"routes", Verb::routes, false},
    {"route", Verb::route, true},
    {"log", Verb::log, false},
    {"show", Verb::show, false},
    {"help", Verb::help, false},
};

Command only(Verb verb)
{
    Command command;
    command.verb = verb;
    return command;
}

// Mounting over the network may take a while; the application answers once the attempt is over.
constexpr int operationTimeoutMs = 120'000;
constexpr int listTimeoutMs = 10'000;

void say(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void complain(const QString& sentence)
{
    say(stderr, QStringLiteral("mountwire: ") + sentence + QLatin1Char('\n'));
}

// A call to the running application: the reply, or the exit status with the reason already printed.
class Client {
public:
    Client() : bus_(QDBusConnection::sessionBus()) { qDBusRegisterMetaType<QList<QVariantMap>>(); }

    // Whether the application holds its name on the bus; says how to start it when not.
    bool reachable()
    {
        if (bus_.isConnected() && bus_.interface()->isServiceRegistered(DbusInterface::service))
            return true;
        complain(notRunning());
        exit_ = Exit::notRunning;
        return false;
    }

    std::optional<QDBusMessage> call(const QString& method, const QVariantList& arguments = {},
        int timeoutMs = listTimeoutMs)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(DbusInterface::service, DbusInterface::path,
            DbusInterface::interface, method);
        message.setArguments(arguments);
        const QDBusMessage reply = bus_.call(message, QDBus::Block, timeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return reply;
        const QString error = reply.errorName();
        if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")) {
            complain(notRunning());
            exit_ = Exit::notRunning;
        } else if (error == QLatin1String("org.freedesktop.DBus.Error.NoReply")
            || error == QLatin1String("org.freedesktop.DBus.Error.Timeout")) {
            complain(QStringLiteral("Mountwire did not answer within %1 seconds; it may still be working on it.")
                         .arg(timeoutMs / 1000));
            exit_ = Exit::failed;
        } else {
            complain(reply.errorMessage());
            exit_ = Exit::failed;
        }
        return std::nullopt;
    }

    std::optional<CommandOutput::Records> records(const QString& method, const QVariantList& arguments = {})
    {
        const std::optional<QDBusMessage> reply = call(method, arguments);
        if (!reply)
            return std::nullopt;
        return qdbus_cast<CommandOutput::Records>(reply->arguments().value(0));
    }

    int exit() const { return exit_; }

private:
    static QString notRunning()
    {
        return QStringLiteral("Mountwire is not running; start it from the applications menu or by running "
                              "“mountwire” without arguments.");
    }

    QDBusConnection bus_;
    int exit_ = Exit::failed;
};

int perform(const Command& command)
{
    Client client;
    if (!client.reachable())
        return client.exit();
    const auto print = [](const QString& text) { say(stdout, text); };
    switch (command.verb) {
    case Verb::status: {
        const auto lines = client.records(QStringLiteral("ListLines"));
        const auto routes = lines ? client.records(QStringLiteral("ListRoutes")) : std::nullopt;
        if (!routes)
            return client.exit();
        print(command.json ? QString::fromUtf8(CommandOutput::json(*lines, CommandOutput::lineKeys))
                           : CommandOutput::statusTable(*lines, *routes, CommandOutput::colourWanted()));
        return Exit::done;
    }
    case Verb::routes: {
        const auto routes = client.records(QStringLiteral("ListRoutes"));
        const auto lines = routes ? client.records(QStringLiteral("ListLines")) : std::nullopt;
        if (!lines)
            return client.exit();
        print(command.json ? QString::fromUtf8(CommandOutput::json(*routes, CommandOutput::routeKeys))
                           : CommandOutput::routesTable(*routes, *lines));
        return Exit::done;
    }
    case Verb::log: {
        const auto entries = client.records(QStringLiteral("ListLog"), {uint(command.limit)});
        if (!entries)
            return client.exit();
        print(command.json ? QString::fromUtf8(CommandOutput::json(*entries, CommandOutput::logKeys))
                           : CommandOutput::logTable(*entries));
        return Exit::done;
    }
    case Verb::connect:
    case Verb::eject: {
        const bool connect = command.verb == Verb::connect;
        const QVariantList arguments = connect ? QVariantList {command.name} : QVariantList {command.name, command.force};
        const auto reply = client.call(connect ? QStringLiteral("Connect") : QStringLiteral("Eject"), arguments,
            operationTimeoutMs);
        if (!reply)
            return client.exit();
        const QVariantMap line = qdbus_cast<QVariantMap>(reply->arguments().value(0));
        const QString name = line.value(QStringLiteral("name")).toString();
        const QString mountPoint = line.value(QStringLiteral("mountPoint")).toString();
        if (!connect)
            print(name + (reply->arguments().value(1).toBool() ? QStringLiteral(" is ejected.\n")
                                                                : QStringLiteral(" was not mounted.\n")));
        else if (mountPoint.isEmpty())
            print(name + QStringLiteral(" is connected.\n"));
        else
            print(name + QStringLiteral(" is connected at ") + mountPoint + QStringLiteral(".\n"));
        return Exit::done;
    }
    case Verb::route:
        if (!client.call(QStringLiteral("SwitchRoute"), {command.name}))
            return client.exit();
        print(QStringLiteral("Switched to the “%1” route.\n").arg(command.name));
        return Exit::done;
    case Verb::show:
        return client.call(QStringLiteral("Show")) ? int(Exit::done) : client.exit();
    case Verb::version:
    case Verb::help:
        break;
    }
    return Exit::done;
}

} // namespace

bool wanted(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const QByteArray first(argv[1]);
    return !first.startsWith('-') || first.startsWith("--") || first == "-h";
}

std::variant<Command, QString> parse(const QStringList& arguments)
{
    if (arguments.isEmpty())
        return QStringLiteral("no command given.");
    const QString first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h"))
        return only(Verb::help);
    if (first == QLatin1String("--version"))
        return only(Verb::version);
    Command command;
    bool takesName = false;
    bool known = false;
    for (const auto& v : verbs) {
        if (first == QLatin1String(v.word)) {
            command.verb = v.verb;
            takesName = v.takesName;
            known = true;
        }
    }
    if (!known)
        return QStringLiteral("unknown command “%1”.").arg(first);

    QStringList names;
    bool optionsOver = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString argument = arguments[i];
        if (optionsOver || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            names << argument;
            continue;
        }
        const bool jsonTaken = command.verb == Verb::status || command.verb == Verb::log || command.verb == Verb::routes;
        if (argument == QLatin1String("--")) {
            optionsOver = true;
        } else if (argument == QLatin1String("--json") && jsonTaken) {
            command.json = true;
        } else if ((argument == QLatin1String("--force") || argument == QLatin1String("-f"))
            && command.verb == Verb::eject) {
            command.force = true;
        } else if ((argument == QLatin1String("--limit") || argument.startsWith(QLatin1String("--limit=")))
            && command.verb == Verb::log) {
            QString value = argument.section(QLatin1Char('='), 1);
            if (!argument.contains(QLatin1Char('='))) {
                if (++i == arguments.size())
                    return QStringLiteral("--limit needs a number.");
                value = arguments[i];
            }
            bool ok = false;
            command.limit = value.toInt(&ok);
            if (!ok || command.limit < 1)
                return QStringLiteral("--limit needs a whole number above 0, not “%1”.").arg(value);
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return only(Verb::help);
        } else {
            return QStringLiteral("“%1” does not take the option “%2”.").arg(first, argument);
        }
    }
    if (takesName && names.size() != 1)
        return names.isEmpty() ? QStringLiteral("“%1” needs the name or id of a %2.")
                                     .arg(first, command.verb == Verb::route ? QStringLiteral("route") : QStringLiteral("line"))
                               : QStringLiteral("“%1” takes one name; put a name with spaces in quotes.").arg(first);
    if (!takesName && !names.isEmpty())
        return QStringLiteral("“%1” takes no name, but was given “%2”.").arg(first, names.first());
    if (takesName)
        command.name = names.first();
    return command;
}

QString help()
{
    return QStringLiteral(
        "Usage: mountwire [COMMAND]\n"
        "\n"
        "Without a command, starts Mountwire, or shows the window of the one already running.\n"
        "The commands talk to the running Mountwire:\n"
        "\n"
        "  status [--json]             every line: its state, latency, free space and address\n"
        "  connect LINE                connect a line now and wait until it is connected\n"
        "  eject [--force] LINE        eject a line; --force ejects even while files are open\n"
        "  routes [--json]             the routes and their lines; * marks the active one\n"
        "  route ROUTE                 switch to a route\n"
        "  log [--limit N] [--json]    the newest N entries of the signal log (20 unless given)\n"
        "  show                        bring Mountwire’s window forward\n"
        "  --version                   print the version\n"
        "  --help                      print this help\n"
        "\n"
        "LINE and ROUTE are a name, exactly as shown, or an id from “status --json” or “routes --json”.\n"
        "\n"
        "Exit status: 0 done, 1 the operation failed, 2 bad usage, 3 Mountwire is not running.\n");
}

int run(int argc, char** argv, const QString& version)
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const auto parsed = parse(arguments);
    if (const QString* problem = std::get_if<QString>(&parsed)) {
        complain(*problem + QStringLiteral(" See “mountwire --help”."));
        return Exit::usage;
    }
    const Command command = std::get<Command>(parsed);
    if (command.verb == Verb::help) {
        say(stdout, help());
        return Exit::done;
    }
    if (command.verb == Verb::version) {
        say(stdout, QStringLiteral("mountwire ") + version + QLatin1Char('\n'));
        return Exit::done;
    }
    return perform(command);
}

} // namespace CommandLine
