#include "app/startup.h"

int main() { return kestro::RunProgram(); }
