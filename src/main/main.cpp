#include "report/report.h"

int main(int argc, char** argv) {
    thermtab::run_settings settings;
    return thermtab::write_report(argc, argv, settings);
}
