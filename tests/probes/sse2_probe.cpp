// A library built the way the gauge file used to be (SSE2 arithmetic), for
// showing that check_x87_only.sh refuses it.
extern "C" __declspec(dllexport) double probe_scale(double value, int times) {
    return value * times / 1.30048;
}
