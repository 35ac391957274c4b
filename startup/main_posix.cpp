// POSIX entry point of the installer's native build.
int main() { return 0; }
