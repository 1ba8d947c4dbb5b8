// The desktop program: one instance per user and profile folder, then the main window.
#include "ftpurl.h"
#include "programfolders.h"
#include "sitefile.h"
#include "tcanberraplayer.h"
#include "tfrmmain.h"
#include "tmyfilestream.h"
#include "tsingleinstance.h"
#include "tsitemanager.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvanta"));
    QApplication::setApplicationName(QStringLiteral("Tarnel"));
    const QStringList args = QApplication::arguments().mid(1);

    TSingleInstance instance(TSingleInstance::ServerName(ComputeProgramFolders().ProfileFolder));
    if (!instance.Claim()) {
        instance.SendRestore();
        return 0;
    }
    if (!args.isEmpty() && args.first().toLower() == QStringLiteral("/u"))
        return 0;

    StartProgramFolders();
    TSiteManager sites;
    TOptions options = DefaultOptions();
    try {
        const TSiteFileResult loaded = sites.LoadSites(options);
        if (loaded == TSiteFileResult::BadMagic || loaded == TSiteFileResult::BadEnd)
            QMessageBox::critical(nullptr, QStringLiteral("Tarnel"), SiteFileErrorText());
    } catch (const EFOpenError &e) {
        QMessageBox::critical(nullptr, QStringLiteral("Tarnel"), e.Message());
    }
    TCanberraPlayer sounds;
    int result = 0;
    {
        TfrmMain window(sites, sounds);
        QObject::connect(&instance, &TSingleInstance::RestoreRequested, &window, &TfrmMain::RestoreFromOtherInstance);
        window.show();
        if (!args.isEmpty() && !args.first().startsWith(u'/')) {
            TSessionSettings connection;
            if (ParseFtpUrl(args.first(), window.Options().UserEmail, connection)) {
                connection.Passive = window.Options().PassiveMode == 1;
                window.PostConnect(connection);
            }
        }
        result = QApplication::exec();
    }
    try {
        sites.SaveSites();
    } catch (const EFCreateError &e) {
        QMessageBox::critical(nullptr, QStringLiteral("Tarnel"), e.Message());
    }
    sites.ClearSites();
    RemoveTempFolder();
    return result;
}
