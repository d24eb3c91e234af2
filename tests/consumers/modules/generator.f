C     The object modules gaudev.o and mvndev.o linked into a Fortran
C     program whose own SUBROUTINE RANMAR is the generator: the uniform
C     numbers are (13 k mod 97 + 1) / 128 for k = 1, 2, ..., as
C     generator.c supplies them.
      PROGRAM GENERATOR
      REAL D(5), X(2), C(2, 2)
      INTEGER K, I
      COMMON /DRAWN/ K
      DATA C /2.0, 1.0, 0.0, 2.0/
      K = 0
      CALL GAUDEV(D, 5)
      WRITE (*, '(A,5(1X,Z8.8))') 'gaudev', (D(I), I = 1, 5)
      CALL MVNDEV(C, X, 2)
      WRITE (*, '(A,2(1X,Z8.8))') 'mvndev', (X(I), I = 1, 2)
      WRITE (*, '(A,I3)') 'uniforms', K
      CALL MVNDEV(C, X, 101)
      END

      SUBROUTINE RANMAR(VEC, NVEC)
      INTEGER NVEC, N, K
      REAL VEC(*)
      COMMON /DRAWN/ K
      DO 10 N = 1, NVEC
        K = K + 1
        VEC(N) = REAL(MOD(13 * K, 97) + 1) / 128.0
   10 CONTINUE
      END
