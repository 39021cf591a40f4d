#pragma once
// Texture names kept when their textures go, for new textures of the same
// size, format and level count: filling a texture that exists costs GL a
// fraction of making one. Off until keepTextureNames is called (names are
// then deleted at once, as without a pool). Names are taken on the GUI
// thread or in a context sharing its textures; kept and deleted on the GUI thread.

// Keeps up to perShape names of each shape; 0 deletes every kept name.
void keepTextureNames(int perShape);
// A name with storage for every level, bound; kept parameters are reset to
// GL's defaults.
unsigned takeTextureName(unsigned format, int width, int height, int levels);
// Keeps the name for reuse or deletes it.
void returnTextureName(unsigned name, unsigned format, int width, int height, int levels);
