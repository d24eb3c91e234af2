C     A Fortran 77 analysis program of the old kind, built through CMake's
C     pdferr::fortran.  Its own /INOUT/ is 3000 words long; it opens its
C     own log on unit 20 and writes to it, and the generator's lines join
C     them there, in order.  It opens the table file itself, as OLD, for
C     READPDS0 on a unit from NEXTUN, and ends on a fatal error, Q below
C     0.3, which must end the process with status 1.
      PROGRAM LEGACY
      INTEGER INP, IOUT, IB
      COMMON /INOUT/ INP, IOUT, IB(3000)
      INTEGER NX, NT, MXF, MXV
      COMMON /VOKPAR2/ NX, NT, MXF, MXV
      DOUBLE PRECISION DENSTB(47, 30, 6), LOGNOD(77)
      INTEGER NNODES(2)
      COMMON /PELKGRID/ DENSTB, NNODES, LOGNOD
      INTEGER NEXTUN, IU, K
      REAL V(3)
      DOUBLE PRECISION ZEMOPDF, G, D(6)
      EXTERNAL NEXTUN, ZEMOPDF
C
      DO 10 K = 1, 3000
        IB(K) = K
   10 CONTINUE
      OPEN (20, FILE='run.log', STATUS='REPLACE')
      WRITE (20, '(A)') 'log: opened by the program'
      IOUT = 20
      CALL RMARIN(54217137, 3, 0)
      WRITE (20, '(A)') 'log: after rmarin'
      CALL RANMAR(V, 3)
      WRITE (20, '(A,3I10)') 'log: drawn', (INT(V(K) * 2.0**24), K=1,3)
      IOUT = 6
      WRITE (*, '(A)') 'before rmarin'
      CALL RMARIN(1, 0, 0)
      WRITE (*, '(A)') 'after rmarin'
C
      IU = NEXTUN()
      WRITE (*, '(A,I4)') 'nextun', IU
      OPEN (IU, FILE='zemo.00.pds', STATUS='OLD')
      WRITE (*, '(A,I4)') 'nextun with it open', NEXTUN()
      CALL READPDS0(IU)
      CLOSE (IU)
      WRITE (*, '(A,4I4)') 'vokpar2', NX, NT, MXF, MXV
      G = ZEMOPDF(0, 0.01D0, 10D0)
      WRITE (*, '(A,Z17.16)') 'zemopdf', G
      CALL PELKINI(0)
      CALL PELKFIT(0.01D0, 100D0, D(1), D(2), D(3), D(4), D(5), D(6))
      WRITE (*, '(A,2I3,Z17.16)') 'pelkgrid', NNODES, D(1)
      WRITE (*, '(A,2I6)') 'inout', IB(1), IB(3000)
      WRITE (20, '(A)') 'log: the last line'
      G = ZEMOPDF(0, 0.01D0, 0.25D0)
      WRITE (*, '(A)') 'never printed'
      END
