// A Qt plugin of the kind an unprivileged user can plant where the program looks for
// plugins: once loaded, it writes the rights of the process it runs in (the Cap lines of
// /proc/self/status) to the file PLANTED_REPORT names, and ends the process.
#include <unistd.h>
#include <QGenericPlugin>

#include <cstdlib>
#include <fstream>
#include <string>

class PlantedPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "planted.json")

  public:
    QObject* create(const QString&, const QString&) override {
        const char* report = std::getenv("PLANTED_REPORT");
        if (report != nullptr) {
            std::ifstream status("/proc/self/status");
            std::ofstream out(report);
            for (std::string line; std::getline(status, line);) {
                if (line.rfind("Cap", 0) == 0) {
                    out << line << '\n';
                }
            }
        }
        _exit(0);
    }
};

#include "planted_plugin.moc"
