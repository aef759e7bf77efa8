// Quendrel: the broadcast-mail program.
#include <QApplication>

#include "app/shell/program_main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return shell::RunProgram();
}
