#include "cli/CliApplication.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"

#include <QCoreApplication>

#include <csignal>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A reader that stops early (list | head) must not kill the run before
    // the catalogue is saved.
    std::signal(SIGPIPE, SIG_IGN);

    CommandLine commandLine;
    switch (commandLine.Parse(argc, argv)) {
    case CommandLine::Result::ShowHelp:
        Console::Out(commandLine.Command() ? CommandLine::CommandHelp(*commandLine.Command())
                                           : CommandLine::ToolHelp());
        return Console::FinishOutput(nullptr) ? ExitCode::Done : ExitCode::Failed;
    case CommandLine::Result::ShowVersion:
        Console::OutLine(CommandLine::VersionText());
        return Console::FinishOutput(nullptr) ? ExitCode::Done : ExitCode::Failed;
    case CommandLine::Result::UsageError:
        Console::ErrLine(QStringLiteral("quorvel-cli: ") + commandLine.Error());
        Console::ErrLine(QStringLiteral("Try 'quorvel-cli --help'."));
        return ExitCode::Usage;
    case CommandLine::Result::Run:
        break;
    }
    CliApplication application(commandLine);
    return application.Run();
}
