// Needs operator new, which only the C++ library has. The pointer is kept where
// the compiler must assume it is read, so the allocation cannot be left out.
int *volatile kept;

int main() {
    kept = new int(7);
    return *kept == 7 ? 0 : 1;
}
