#include "app/Application.h"

int main(int argc, char **argv) { return qx::runApplication(argc, argv); }
