// The resource-only test module needs no code of its own beyond this.
int long_string_module_marker() { return 0; }
