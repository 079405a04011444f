#include <QApplication>

#include "app/veskar_app.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    halvera::CVeskarApp veskar;
    if (!veskar.InitInstance()) {
        return 0;
    }
    return veskar.ExitInstance(app.exec());
}
