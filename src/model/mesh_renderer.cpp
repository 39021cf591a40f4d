#include <GL/glew.h>

#include "model/mesh.h"

fast_Vertices::~fast_Vertices() {
  if (bufferId != 0) glDeleteBuffersARB(1, &bufferId);
}
