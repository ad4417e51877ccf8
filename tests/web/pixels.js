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

// The picture's block x block averages, top row first, RGB, as the scene
// tests keep their golden frame.
async function blockAverages(page, png, block) {
  return page.evaluate(async (data, block) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + data;
    await image.decode();
    const context = Object.assign(document.createElement('canvas'), {width: image.width, height: image.height})
      .getContext('2d');
    context.drawImage(image, 0, 0);
    const averages = [];
    for (let top = 0; top + block <= image.height; top += block)
      for (let left = 0; left + block <= image.width; left += block) {
        const pixels = context.getImageData(left, top, block, block).data;
        for (let c = 0; c < 3; c++)
          averages.push(Math.round(pixels.filter((v, i) => i % 4 === c).reduce((a, b) => a + b) / (block * block)));
      }
    return averages;
  }, png.toString('base64'), block);
}

module.exports = {differingFraction, blockAverages};
