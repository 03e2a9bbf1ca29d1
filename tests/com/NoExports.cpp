// A loadable library without the server entry points.
extern "C" int VqComTestNothing() {
    return 0;
}
