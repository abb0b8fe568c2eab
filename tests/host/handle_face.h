/* The host scenarios' table bound to the handle face (quillon_movie.h). */
#ifndef QUILLON_HANDLE_FACE_H
#define QUILLON_HANDLE_FACE_H

#include "quillon_api.h"

/* Fills q with functions of the classic signatures that call the handle
 * face on one movie of their own. */
void QuillonBindHandleFace(QuillonApi *q);
/* Frees that movie. */
void QuillonReleaseHandleFace(void);

#endif
