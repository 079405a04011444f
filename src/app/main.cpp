#include <QApplication>

#include "app/veskar_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    halvera::CVeskarApp veskar;
    if (!veskar.InitInstance()) {
        return veskar.RefusalStatus();
    }
    return veskar.ExitInstance(app.exec());
}
