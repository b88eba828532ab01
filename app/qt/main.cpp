#include "app/qt/application.h"

int main(int argc, char** argv) {
    return ld::runApplication(argc, argv);
}
