#include <cstdio>

int main() {
    std::puts("plotaktar-cli");
    return 0;
}
