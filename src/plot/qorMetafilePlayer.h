#pragma once
// Playback of enhanced metafiles with QPainter.

#include <QByteArray>
#include <QRectF>

class QPainter;

// Draws the records of emf (the bytes of an .emf file) onto painter, the picture's
// frame stretched to target. Runs of line records become single polylines. Records
// the plot never writes are skipped; a malformed metafile raises Exception after the
// records before the fault have been drawn. The painter's state is left unchanged.
void PlayEnhMetafile(const QByteArray& emf, QPainter& painter, const QRectF& target);
