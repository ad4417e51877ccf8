// The scene's pixels on real GL: each slot holds a texture of one known
// colour, so that with additive blending every pixel is the sum of the
// layers over it. Which layers cover a pixel is worked out here from the
// projection of the render window (45 degrees, 4:3, viewer at the origin
// looking down -z), independently of the drawing code.
#include "scene_fixture.h"

#include <algorithm>

namespace {

// What a layer adds where it covers: texel colour times texel alpha.
struct Contribution {
    int r, g, b;
};

struct Layer {
    double degrees;
    double z;
    Contribution add;
};

const double tanHalfFov = tan(22.5 * M_PI / 180.0);
const double aspect = (double)VIEW_WIDTH / VIEW_HEIGHT;

// How far inside the layer's unit quad the centre of a pixel lies, in quad
// units (negative: outside). NAN when the layer is not in front of the
// near plane.
double InsideBy(const Layer& layer, int px, int py)
{
    if (layer.z > -0.1)
        return NAN;
    double ndcX = (px + 0.5) / (VIEW_WIDTH / 2.0) - 1.0;
    double ndcY = (py + 0.5) / (VIEW_HEIGHT / 2.0) - 1.0;
    double x = ndcX * aspect * tanHalfFov * -layer.z;
    double y = ndcY * tanHalfFov * -layer.z;
    double a = layer.degrees * M_PI / 180.0;
    double localX = x * cos(a) + y * sin(a);
    double localY = -x * sin(a) + y * cos(a);
    return 1.0 - std::max(fabs(localX), fabs(localY));
}

const Contribution emblem = {30, 10, 0};      // slot 0, drawn twice
const Contribution greeting = {50, 0, 100};   // slot 1: (100, 0, 200) at alpha 128
const Contribution starfield = {0, 50, 20};   // slot 2

// The four layers of a frame at time t whose greeting is drawn at greetingZ.
std::vector<Layer> SceneLayers(float t, float greetingZ, Contribution greetingAdds = greeting)
{
    double angle = (float)(t * 30.0);
    return {{angle, -1.5, emblem},
            {-angle, -1.5, emblem},
            {-angle, cos(5.0 * angle) - 1.5, starfield},
            {0.0, greetingZ, greetingAdds}};
}

}  // namespace

class ScenePixels : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        MakeSolidTexture(0, 30, 10, 0, 255);
        MakeSolidTexture(1, 100, 0, 200, 128);
        MakeSolidTexture(2, 0, 50, 20, 255);
    }

    static void DrawFrame(float t)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        DrawSceneAndFlush(t);
    }

    // Checks a grid of pixels against the sum of the layers over each; a
    // pixel within a few pixels of any layer's edge is left out. Returns the
    // number of pixels checked.
    static int ExpectSums(const std::vector<Layer>& layers)
    {
        std::vector<GLubyte> view = ReadView();
        int checked = 0, wrong = 0;
        for (int py = 1; py < VIEW_HEIGHT; py += 6)
            for (int px = 2; px < VIEW_WIDTH; px += 6) {
                Contribution sum = {0, 0, 0};
                bool nearEdge = false;
                for (const Layer& layer : layers) {
                    double inside = InsideBy(layer, px, py);
                    if (isnan(inside))
                        continue;
                    nearEdge = nearEdge || fabs(inside) < 0.012;
                    if (inside > 0) {
                        sum.r += layer.add.r;
                        sum.g += layer.add.g;
                        sum.b += layer.add.b;
                    }
                }
                if (nearEdge)
                    continue;
                ++checked;
                const GLubyte* got = &view[((size_t)py * VIEW_WIDTH + px) * 3];
                const int want[3] = {std::min(sum.r, 255), std::min(sum.g, 255), std::min(sum.b, 255)};
                for (int c = 0; c < 3; ++c)
                    if (abs(got[c] - want[c]) > 2) {
                        if (++wrong <= 10)
                            ADD_FAILURE() << "pixel " << px << "," << py << " channel " << c << " is " << (int)got[c]
                                          << ", expected " << want[c];
                        break;
                    }
            }
        EXPECT_EQ(wrong, 0) << "of " << checked << " pixels checked";
        return checked;
    }
};

TEST_F(ScenePixels, FirstFrameIsTheTwoEmblemsAndTheStarfieldEverywhere)
{
    DrawFrame(0.0f);
    // The starfield at -0.5 and both emblems at -1.5 cover the whole view;
    // the greeting at 14.9 is behind the viewer and adds nothing.
    const Rgb all = {60, 70, 20};
    for (int y : {0, VIEW_HEIGHT / 2, VIEW_HEIGHT - 1})
        for (int x : {0, VIEW_WIDTH / 2, VIEW_WIDTH - 1})
            EXPECT_EQ(PixelAt(x, y), all) << x << "," << y;
    EXPECT_EQ(ExpectSums(SceneLayers(0.0f, 14.9f)), 80 * 107) << "every pixel of the grid is away from any edge";
}

TEST_F(ScenePixels, CentreAddsAllFourLayersAndCornersShowTheClearColour)
{
    // At about 44.6 degrees the emblems leave the corners of the view
    // uncovered, and 5 x angle is an odd multiple of pi: the starfield is at
    // its farthest, -2.5, too small to reach them.
    const float t = (float)(71.0 * M_PI / 150.0);
    flyInZ = -2.0f;
    DrawFrame(t);
    EXPECT_EQ(flyInZ, -2.0f);

    Rgb centre = PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2);
    EXPECT_EQ(centre.r, 2 * 30 + 50);
    EXPECT_EQ(centre.g, 2 * 10 + 50);
    EXPECT_NEAR(centre.b, 20 + 100, 1) << "the greeting adds its colour weighted by alpha 128";
    for (int y : {0, VIEW_HEIGHT - 1})
        for (int x : {0, VIEW_WIDTH - 1})
            EXPECT_EQ(PixelAt(x, y), (Rgb{0, 0, 0})) << "corner " << x << "," << y;
    EXPECT_GT(ExpectSums(SceneLayers(t, -2.0f)), 4000);
}

TEST_F(ScenePixels, TurnedLayersAddUpWhereverTheyOverlap)
{
    const struct {
        float t;
        float flyInBefore;
    } frames[] = {{2.0f, -2.0f}, {0.7f, -0.9f}, {5.55f, 1.0f}, {1234.5f, -1.95f}};
    for (const auto& frame : frames) {
        SCOPED_TRACE(frame.t);
        flyInZ = frame.flyInBefore;
        DrawFrame(frame.t);
        EXPECT_GT(ExpectSums(SceneLayers(frame.t, flyInZ)), 3000);
    }
}

TEST_F(ScenePixels, GreetingBeyondTheNearPlaneButBehindTheViewerStaysUnseen)
{
    // Frame 150 draws the greeting at -0.0000209: in front of the viewer but
    // nearer than the near plane, so it is clipped away whole.
    for (int frame = 1; frame < 150; ++frame)
        DrawUnseen(0.0f);
    DrawFrame(0.0f);
    EXPECT_LT(flyInZ, 0.0f);
    EXPECT_GT(flyInZ, -0.1f);
    EXPECT_EQ(PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2), (Rgb{60, 70, 20}));
}

TEST_F(ScenePixels, UnloadedSlotDrawsItsLayerUntexturedInWhite)
{
    // As after a failed hola.tga: the slot keeps texture name 0.
    textureTable[1].texId = 0;
    flyInZ = -2.0f;
    DrawFrame(0.0f);
    EXPECT_EQ(PixelAt(VIEW_WIDTH / 2, VIEW_HEIGHT / 2), (Rgb{255, 255, 255}));
    ExpectSums(SceneLayers(0.0f, -2.0f, {255, 255, 255}));
}
