// Pixel checks on screenshots, decoded by the page itself (no image
// library): how much of a picture differs from a colour or from another.
'use strict';

// Fractions of pixels of `a` that differ by more than `tolerance` in any
// channel from `b` (a PNG buffer) or, when b is an [r, g, b] array, from that colour.
async function differingFraction(page, a, b, tolerance = 8) {
  return page.evaluate(async (a64, b64, colour, tolerance) => {
    async function decode(data) {
      const image = new Image();
      image.src = 'data:image/png;base64,' + data;
      await image.decode();
      const canvas = document.createElement('canvas');
      canvas.width = image.width;
      canvas.height = image.height;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height).data;
    }
    const first = await decode(a64);
    const second = b64 ? await decode(b64) : null;
    let differing = 0;
    for (let i = 0; i < first.length; i += 4) {
      for (let c = 0; c < 3; c++) {
        const other = second ? second[i + c] : colour[c];
        if (Math.abs(first[i + c] - other) > tolerance) {
          differing++;
          break;
        }
      }
    }
    return differing / (first.length / 4);
  }, a.toString('base64'), Array.isArray(b) ? null : b.toString('base64'), Array.isArray(b) ? b : null, tolerance);
}

module.exports = {differingFraction};
