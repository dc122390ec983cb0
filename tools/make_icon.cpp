// Writes the program's application icon, res/plinthwise.ico: the digit 1 in
// white on a black square, as the notification area shows group 1. Drawn
// from a few shapes here rather than from any font, so that the same source
// gives the same bytes on every machine:
//   make_icon FILE          writes the icon
//   make_icon --check FILE  exit 0 when FILE holds exactly what it would write
// The images are 4-bit with sixteen greys, enough for smooth edges at a
// small fraction of a 32-bit image's size; all opaque, as the tray's are.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

namespace {

const int Sizes[] = {16, 24, 32, 48, 64};
const int Greys = 16;
const int Supersampling = 8;  // samples per pixel along each axis

// The digit in a unit square, as convex quadrilaterals (x, y with y down),
// drawn like the tray's heavy sans-serif 1: a stem and its flag.
struct Quad {
    double x[4], y[4];
};
const Quad Digit[] = {
    {{0.47, 0.65, 0.65, 0.47}, {0.14, 0.14, 0.86, 0.86}},  // stem
    {{0.47, 0.65, 0.41, 0.27}, {0.14, 0.14, 0.41, 0.33}},  // flag, down to the left
};

bool Inside(const Quad &q, double px, double py)
{
    // Convex and clockwise on screen: inside lies right of every edge.
    for (int i = 0; i < 4; i++) {
        int j = (i + 1) % 4;
        double cross = (q.x[j] - q.x[i]) * (py - q.y[i]) - (q.y[j] - q.y[i]) * (px - q.x[i]);
        if (cross < 0)
            return false;
    }
    return true;
}

// The grey level, 0 (black) to Greys - 1 (white), of each pixel, top row first.
std::vector<int> Render(int size)
{
    std::vector<int> grey((size_t)(size * size));
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            int hits = 0;
            for (int sy = 0; sy < Supersampling; sy++)
                for (int sx = 0; sx < Supersampling; sx++) {
                    double px = (x + (sx + 0.5) / Supersampling) / size;
                    double py = (y + (sy + 0.5) / Supersampling) / size;
                    for (const Quad &q : Digit)
                        if (Inside(q, px, py)) {
                            hits++;
                            break;
                        }
                }
            int samples = Supersampling * Supersampling;
            grey[(size_t)(y * size + x)] = (hits * (Greys - 1) + samples / 2) / samples;
        }
    return grey;
}

void Put16(std::vector<uint8_t> &out, unsigned v)
{
    out.push_back((uint8_t)v);
    out.push_back((uint8_t)(v >> 8));
}

void Put32(std::vector<uint8_t> &out, unsigned v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One image as an icon resource stores it: a BITMAPINFOHEADER of twice the
// height (colour and mask), the palette, the 4-bit rows bottom-up, then the
// 1-bit mask rows, all zero (opaque); every row padded to 4 bytes.
std::vector<uint8_t> Image(int size)
{
    std::vector<uint8_t> out;
    int colourRow = ((size * 4 + 31) / 32) * 4, maskRow = ((size + 31) / 32) * 4;
    Put32(out, 40);
    Put32(out, (unsigned)size);
    Put32(out, (unsigned)(size * 2));
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);  // BI_RGB
    Put32(out, (unsigned)((colourRow + maskRow) * size));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, Greys);
    Put32(out, 0);
    for (int g = 0; g < Greys; g++) {
        uint8_t level = (uint8_t)(g * 255 / (Greys - 1));
        out.push_back(level);
        out.push_back(level);
        out.push_back(level);
        out.push_back(0);
    }
    std::vector<int> grey = Render(size);
    for (int y = size - 1; y >= 0; y--) {
        std::vector<uint8_t> row((size_t)colourRow, 0);
        for (int x = 0; x < size; x++)
            row[(size_t)(x / 2)] |= (uint8_t)(grey[(size_t)(y * size + x)] << (x % 2 ? 0 : 4));
        out.insert(out.end(), row.begin(), row.end());
    }
    out.insert(out.end(), (size_t)(maskRow * size), 0);
    return out;
}

std::vector<uint8_t> IconFile()
{
    const int count = (int)(sizeof Sizes / sizeof Sizes[0]);
    std::vector<std::vector<uint8_t>> images;
    for (int size : Sizes)
        images.push_back(Image(size));
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // an icon
    Put16(out, (unsigned)count);
    unsigned offset = 6 + 16 * (unsigned)count;
    for (int i = 0; i < count; i++) {
        out.push_back((uint8_t)Sizes[i]);
        out.push_back((uint8_t)Sizes[i]);
        out.push_back(Greys);
        out.push_back(0);
        Put16(out, 1);  // planes
        Put16(out, 4);  // bits per pixel
        Put32(out, (unsigned)images[(size_t)i].size());
        Put32(out, offset);
        offset += (unsigned)images[(size_t)i].size();
    }
    for (const auto &image : images)
        out.insert(out.end(), image.begin(), image.end());
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    bool check = argc == 3 && strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !check) {
        fprintf(stderr, "usage: make_icon [--check] FILE\n");
        return 2;
    }
    const char *path = argv[argc - 1];
    std::vector<uint8_t> icon = IconFile();
    if (check) {
        std::vector<uint8_t> held;
        FILE *f = fopen(path, "rb");
        if (f) {
            int c;
            while ((c = fgetc(f)) != EOF)
                held.push_back((uint8_t)c);
            fclose(f);
        }
        if (held != icon) {
            fprintf(stderr, "%s is not what make_icon draws now; run make_icon %s\n", path, path);
            return 1;
        }
        return 0;
    }
    FILE *f = fopen(path, "wb");
    if (!f || fwrite(icon.data(), 1, icon.size(), f) != icon.size() || fclose(f) != 0) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}
