// PLACEHOLDER: replaced by the SDL window.
int main() { return 1; }
